// The decisions of the two user commands, drop and execute, apart from any window: the windows
// and the command line share them (through the controller).
#pragma once

#include <string>

// A drop of `path` (the first dropped item; a file stands for its folder): sets glDropPath
// (the folder, resolved) and the project name found there. nullptr when one was found, else
// why not; the old name is then cleared.
const char* OnDropPath(const std::string& path);

// The checks of a press of the execute button with `typed` (UTF-8) in the edit field. nullptr
// when the job may run (the new name is then in glNewPjName and traced), else the refusal.
const char* AcceptExecute(const std::string& typed);
