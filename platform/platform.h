// The thin layer under the engine and the trace: files, folders, heap, debug output and
// message boxes. One interface; win32/ and posix/ implement it. Every call goes through the
// table glPlat, so a test can make one call fail without touching the others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using PlatFile = void*;   // an open file; nullptr when opening failed
using PlatSearch = void*; // a directory search; nullptr when it could not start

// Whether a listed name can be used as it is. Windows hands the ANSI functions a best-fit
// form of a name the code page can't hold (a "¥" comes back as "\\"), and drops a trailing
// space or dot from a name it is given: such a name must never become a path.
enum PlatNameState {
    kNameOk,
    kNameNotAnsi, // the ANSI code page can't hold it exactly; `name` is for showing only
    kNameAltered, // Windows would take it for another name (trailing space or dot, \ / :)
};

struct PlatEntry {
    std::string name;    // the file system's bytes (ANSI on Windows)
    bool isDir = false;  // a folder, or a link to one
    bool isLink = false; // a symbolic link, junction or other reparse point
    PlatNameState state = kNameOk;
};

struct PlatFileId {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool isDir = false;  // of what the path leads to
    bool isLink = false; // the path itself is a link (or another reparse point)
};

// Message box flags, the values of the Windows ones.
inline constexpr unsigned kBoxOk = 0x00000000;
inline constexpr unsigned kBoxTopmost = 0x00040000;

struct PlatCalls {
    // pattern is a folder, the separator and a wildcard name ("*.*" or "*.pj"). nullptr when
    // nothing matched (LastError() is then 0) or the folder can't be listed (an error code).
    PlatSearch (*FindFirst)(const char* pattern, PlatEntry* entry);
    // 1 while there is an entry, 0 at the end, -1 when the listing fails on the way.
    int (*FindNext)(PlatSearch search, PlatEntry* entry);
    void (*FindEnd)(PlatSearch search);
    int (*MakeDir)(const char* path); // 0, or the OS error code
    // A regular file to a new path; 0, or the OS error code. `to` must not exist; what the
    // call made of it is gone again when it fails.
    int (*Copy)(const char* from, const char* to);
    PlatFile (*OpenRead)(const char* path);     // a regular file; no sharing, must exist
    PlatFile (*CreateWrite)(const char* path);  // no sharing, must not exist (nor a link)
    int (*Size)(PlatFile file, uint64_t* size); // 1 on success
    int (*Read)(PlatFile file, void* buf, uint32_t n, uint32_t* got);
    int (*Write)(PlatFile file, const void* buf, uint32_t n, uint32_t* put);
    int (*Close)(PlatFile file); // 1 on success; the file is closed either way
    int (*Identify)(const char* path, PlatFileId* id); // 1 when what the path leads to exists
    int (*CompareNoCase)(const char* a, const char* b);
    void* (*Alloc)(size_t n); // zero-filled; nullptr when there is no room
    void (*Free)(void* p);
    void (*DebugOut)(const char* line);
    void (*Box)(const char* text, const char* caption, unsigned flags);
    int (*LastError)();
    // Moves a file or folder within its volume; 0, or the OS error code. With replace a file
    // (or link) standing at `to` is replaced in one step; without, anything there stops it.
    int (*Rename)(const char* from, const char* to, int replace);
    int (*Remove)(const char* path);                // a file; 0, or the OS error code
    int (*RemoveDir)(const char* path);             // an empty folder; 0, or the OS error code
    int (*SetHidden)(const char* path, int hidden); // 0, or the OS error code
    int (*ProcessId)();
    // The absolute path of what `path` names, its "." and ".." and separators resolved (and on
    // Linux its links); 0 when it can't be had exactly.
    int (*FullPath)(const char* path, std::string* out);
    // A marker file held locked for as long as it is open, also against other machines that
    // share the folder. create: makes it (it must not exist). Else opens an existing one (a
    // regular file, not a link) that nobody holds. nullptr when it can't be had.
    PlatFile (*HoldMarker)(const char* path, int create);
};

extern PlatCalls glPlat;

// The window that owns message boxes (an HWND on Windows); nullptr for none.
extern void* glPlatOwner;

// The error code of a path that is no regular file (a pipe, a device), and of a file that
// is there already.
extern const int kPlatErrNotFile;
extern const int kPlatErrExists;

// Facts of the platform that the path and name rules depend on.
extern const char kPlatSep;           // '\\' or '/'
extern const bool kPlatNamesCp932;    // names are CP932 byte strings
extern const bool kPlatNamesFoldCase; // the file system ignores the case of names
extern const size_t kPlatPathMax;     // longest usable path, terminator not counted
inline constexpr size_t kPlatNameMax = 255;

// The encodings of names and texts. kEncAnsi: the ANSI code page in which Windows gives names
// (on Linux, UTF-8).
enum PlatEnc : uint8_t { kEncCp932, kEncUtf8, kEncUtf16Le, kEncUtf16Be, kEncAnsi };
// The same characters in another encoding, exactly: 0, or an error code when `in` is not valid
// in `from` or a character has no form of its own in `to` (a best-fit form, such as a backslash
// for "¥" or "e" for "é" in CP932, is never taken).
int PlatConvert(std::string_view in, PlatEnc from, PlatEnc to, std::string* out);

// The widest vector instructions the processor and the system allow: 0 none, 1 SSE2, 2 AVX2.
int PlatCpuVector();

// The program's arguments as they truly are: on Windows read as UTF-16 and kept only where the
// ANSI code page holds them exactly.
struct PlatArg {
    std::string text;
    bool exact = true;
};
std::vector<PlatArg> PlatCommandLine(int argc, char** argv);
