// What the platform layer can't make, made the way another program or system would: names
// as the file system keeps them (given here in UTF-8), named pipes and links. On Windows,
// under Wine, pipes and links are made with the Linux calls themselves.
#pragma once

#include <string>

// The name as the platform layer lists it: the UTF-8 bytes on Linux; on Windows the ANSI
// form, with "?" for what the code page can't hold.
std::string Listed(const char8_t* utf8);
void MakeNamedFile(const std::string& dir, const char8_t* utf8Name, const std::string& content);
void MakePipe(const std::string& path);
// A symbolic link at `path` to `target` (a Linux path when it starts with "/").
void MakeLink(const std::string& target, const std::string& path);
// The working folder, for paths relative to it.
void ChangeDir(const std::string& dir);
std::string CurrentDir();
