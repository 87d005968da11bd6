// The thin layer under the engine and the trace: files, folders, heap, debug output and
// message boxes. One interface; win32/ and posix/ implement it. Every call goes through the
// table glPlat, so a test can make one call fail without touching the others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using PlatFile = void*;   // an open file; nullptr when opening failed
using PlatSearch = void*; // a directory search; nullptr when it could not start

struct PlatEntry {
    std::string name;    // the file system's bytes
    bool isDir = false;  // a folder, or a link to one
    bool isLink = false; // a symbolic link, junction or other reparse point
};

struct PlatFileId {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool isDir = false;
};

// Message box flags, the values of the Windows ones.
inline constexpr unsigned kBoxOk = 0x00000000;
inline constexpr unsigned kBoxTopmost = 0x00040000;

struct PlatCalls {
    // pattern is a folder, the separator and a wildcard name ("*.*" or "*.pj").
    PlatSearch (*FindFirst)(const char* pattern, PlatEntry* entry);
    // 1 while there is an entry, 0 at the end, -1 when the listing fails on the way.
    int (*FindNext)(PlatSearch search, PlatEntry* entry);
    void (*FindEnd)(PlatSearch search);
    int (*MakeDir)(const char* path);              // 0, or the OS error code
    int (*Copy)(const char* from, const char* to); // 0, or the OS error code; `to` must not exist
    PlatFile (*OpenRead)(const char* path);        // no sharing, must exist
    PlatFile (*CreateWrite)(const char* path);     // no sharing, must not exist (nor a link)
    int (*Size)(PlatFile file, uint64_t* size);    // 1 on success
    int (*Read)(PlatFile file, void* buf, uint32_t n, uint32_t* got);
    int (*Write)(PlatFile file, const void* buf, uint32_t n, uint32_t* put);
    int (*Close)(PlatFile file); // 1 on success; the file is closed either way
    int (*Identify)(const char* path, PlatFileId* id); // 1 when the path exists
    int (*CompareNoCase)(const char* a, const char* b);
    void* (*Alloc)(size_t n); // zero-filled; nullptr when there is no room
    void (*Free)(void* p);
    void (*DebugOut)(const char* line);
    void (*Box)(const char* text, const char* caption, unsigned flags);
    // A name in the file system's encoding, as UTF-8 or as CP932; 0 when it has no such form.
    int (*ToUtf8)(const std::string& name, std::string* out);
    int (*ToCp932)(const std::string& name, std::string* out);
    int (*LastError)();
    // Moves a file or folder within its volume; 0, or the OS error code. With replace a file
    // (or link) standing at `to` is replaced in one step; without, anything there stops it.
    int (*Rename)(const char* from, const char* to, int replace);
    int (*Remove)(const char* path);                // a file; 0, or the OS error code
    int (*RemoveDir)(const char* path);             // an empty folder; 0, or the OS error code
    int (*SetHidden)(const char* path, int hidden); // 0, or the OS error code
    int (*ProcessId)();
    int (*ProcessAlive)(int pid); // 1 when a process of that id runs (or may run)
};

extern PlatCalls glPlat;

// The window that owns message boxes (an HWND on Windows); nullptr for none.
extern void* glPlatOwner;

// Facts of the platform that the path and name rules depend on.
extern const char kPlatSep;           // '\\' or '/'
extern const bool kPlatNamesCp932;    // names are CP932 byte strings
extern const bool kPlatNamesFoldCase; // the file system ignores the case of names
extern const size_t kPlatPathMax;     // longest usable path, terminator not counted
inline constexpr size_t kPlatNameMax = 255;

// The first occurrence of needle (m > 0 bytes) in hay, or nullptr: the C library's own search
// where it has one.
const char* PlatFind(const char* hay, size_t n, const char* needle, size_t m);
