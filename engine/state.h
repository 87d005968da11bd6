// The rename state: set by a drop and by the execute command, read by the copy job.
// Nothing clears it between runs.
#pragma once

#include <string>

extern std::string glDropPath;  // the first item of the last drop, as dropped
extern std::string glOldPjName; // the project name found in that folder; empty until found
extern std::string glNewPjName; // the name typed for the copy
