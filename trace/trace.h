// Trace lines for the debug-output channel: one call per line, ended by "\r\n".
#pragma once

#include <string_view>

// The label, then the text. A separator, where wanted, is part of the label ("FindPath=").
void DbgStr(const char* label, std::string_view text);

// The label, "=", then the five values separated by ", ".
void DbgNum(const char* label, double a, double b, double c, double d, double e);

// Where the lines go instead of the debug-output channel (the command line's --trace, a test);
// nullptr for the channel again. Set while no job runs; returns the sink before.
using DbgSink = void (*)(const char* line);
DbgSink DbgSetSink(DbgSink sink);
