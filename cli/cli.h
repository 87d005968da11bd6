// kestrelwick-cli: a drop of PROJECT_FOLDER, NEW_NAME typed, the execute button pressed.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

// Where the command line's boxes go: text, caption and flags.
using KwCliSink = void (*)(const std::string& text, const char* caption, unsigned flags);
// A line on standard output, the caption in brackets.
void KwCliPrint(const std::string& text, const char* caption, unsigned flags);

// The arguments as PlatCommandLine gives them, the program's name first. 0 when every file
// was copied, 1 when some failed, 2 when the run was refused.
int KwCliMain(const std::vector<PlatArg>& args, KwCliSink sink = KwCliPrint);
