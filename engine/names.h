// Names: as the file system gives them, as Windows compares them, the new one and the old one.
#pragma once

#include "platform/platform.h"
#include "text/words.h"

#include <string>
#include <string_view>
#include <vector>

// The encoding of a name as the file system gives it: the ANSI code page on Windows; on Linux
// UTF-8, or CP932 where the bytes are not UTF-8 (a project unpacked from a Japanese archive).
PlatEnc KwNameEncoding(std::string_view name);

// A name in one form (NFC) where it is UTF-8: a name from a Mac archive writes "プ" as "フ" and
// a mark. Other names are already in theirs.
std::string KwNfcName(std::string_view name);

// What two names are compared by: equal when Windows takes them for one name (case ignored
// character by character) and when they are one name in two forms.
std::string KwNameKey(std::string_view name);

// A name Windows takes for a device (CON, NUL, COM1, LPT1.txt ...).
bool IsDeviceName(const std::string& name);
// Whether `name` can be the name of the new folder, wherever the copy is made.
KwError CheckNewName(const std::string& name);

// The project file among a folder's entries: the first regular file whose name ends in ".pj"
// and has a name before its first dot. "" when there is none.
std::string KwProjectFile(const std::string& folder, const std::vector<PlatEntry>& entries);
// The project name of a folder: its project file's name cut at its first dot, into *name;
// *name stays as it was when the folder holds none.
KwError GetPjNameFromFolder(const std::string& folder, std::string* name);
