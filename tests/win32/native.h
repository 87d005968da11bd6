// What the Windows tests share beside the helpers of every platform.
#pragma once

#include "tests/support.h"

#include <string>

// Text in code page `cp` (the ANSI one by default) as UTF-16.
std::wstring Wide(const std::string& s, unsigned cp = 0);
