// kestrelwick-cli: a drop of PROJECT_FOLDER, NEW_NAME typed, the execute button pressed.
#pragma once

#include "platform/platform.h"

#include <vector>

// Message boxes as lines on standard output.
void KwCliBox(const char* text, const char* caption, unsigned flags);

// The arguments as PlatCommandLine gives them, the program's name first. 0 when every file
// was copied, 1 when some failed, 2 when the run was refused.
int KwCliMain(const std::vector<PlatArg>& args);
