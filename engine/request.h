// One run of the job as the controller asks for it: a value handed down to the plan and the
// job. Its fields are the rename state of the Windows program this tool grew from, under their
// names there.
#pragma once

#include <string>

struct KwRequest {
    std::string glDropPath;  // the project folder as dropped or given (a file: its folder)
    std::string glOldPjName; // the project name found there
    std::string glNewPjName; // the name typed for the copy, in the names' encoding
};
