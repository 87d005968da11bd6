// kestrelwick-cli: a drop of PROJECT_FOLDER, NEW_NAME typed, the execute button pressed.
#pragma once

#include "commands/controller.h"
#include "platform/platform.h"

#include <string>
#include <vector>

// Where the command line's boxes go.
using KwCliSink = void (*)(const std::string& text, KwBox kind);
// A job done on standard output; why nothing or not all was done on standard error, after the
// program's name.
void KwCliPrint(const std::string& text, KwBox kind);

// The arguments as PlatCommandLine gives them, the program's name first. 0 when every file
// was copied, 1 when some failed, 2 when the run was refused.
int KwCliMain(const std::vector<PlatArg>& args, KwCliSink sink = KwCliPrint);
