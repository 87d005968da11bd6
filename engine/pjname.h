// The project name, found in a folder.
#pragma once

#include <string>

// Writes the name of the folder's first *.pj file (not a folder, and with a name before its
// first dot), cut at that dot, into *name; leaves *name as it was when the folder holds none.
// -1 when the folder can't be listed, else 0.
int GetPjNameFromFolder(const std::string& folder, std::string* name);
