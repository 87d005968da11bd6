// The new name becomes a folder name and part of every file name.
#pragma once

#include <string>

// "" when name can be the name of the new folder, else the refusal to show.
std::string CheckNewName(const std::string& name);
// A name Windows takes for a device (CON, NUL, COM1, LPT1.txt ...).
bool IsDeviceName(const std::string& name);
