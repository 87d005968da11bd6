// Names as the file system gives them and as Windows compares them.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>

// The encoding of a name as the file system gives it: the ANSI code page on Windows; on Linux
// UTF-8, or CP932 where the bytes are not UTF-8 (a project unpacked from a Japanese archive).
PlatEnc KwNameEncoding(std::string_view name);

// A name in one form (NFC) where it is UTF-8: a name from a Mac archive writes "プ" as "フ" and
// a mark. Other names are already in theirs.
std::string KwNfcName(std::string_view name);

// What two names are compared by: equal when Windows takes them for one name (case ignored
// character by character) and when they are one name in two forms.
std::string KwNameKey(std::string_view name);
