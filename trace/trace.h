// Trace lines for the debug-output channel: one call per line, ended by "\r\n".
#pragma once

#include <string_view>

// The label, then the text. A separator, where wanted, is part of the label ("FindPath=").
void DbgStr(const char* label, std::string_view text);

// The label, "=", then the five values separated by ", ".
void DbgNum(const char* label, double a, double b, double c, double d, double e);
