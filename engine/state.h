// The rename state: set by a drop and by the execute command, read by the plan of the copy
// job, which takes both names into its run. A drop that finds no project clears the old name;
// the command line clears it at start, as a new window would be.
#pragma once

#include <string>

extern std::string glDropPath;  // the project folder of the last drop, resolved
extern std::string glOldPjName; // the project name found in that folder; empty until found
extern std::string glNewPjName; // the name typed for the copy
