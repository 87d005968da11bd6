// The project name, found in a folder.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

// The project file among a folder's entries: the first regular file whose name ends in ".pj"
// and has a name before its first dot. "" when there is none.
std::string KwProjectFile(const std::string& folder, const std::vector<PlatEntry>& entries);

// Writes the project file's name, cut at its first dot, into *name; leaves *name as it was
// when the folder holds none. -1 when the folder can't be listed, else 0.
int GetPjNameFromFolder(const std::string& folder, std::string* name);
