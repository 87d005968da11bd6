// The decisions of the two user commands, drop and execute, apart from any window: the windows
// and the command line share them (through the controller).
#pragma once

#include "engine/request.h"
#include "text/words.h"

#include <string>

// A drop of `path` (the first dropped item; a file stands for its folder): the folder,
// resolved, and the project name found there, into *request. Without a project, the name is
// cleared: a drop that finds none is no project.
KwError OnDropPath(const std::string& path, KwRequest* request);

// The checks of a press of the execute button with `typed` (UTF-8) in the edit field: the new
// name, in the names' encoding, into *request (and traced).
KwError AcceptExecute(const std::string& typed, KwRequest* request);
