// The thin layer under the engine and the trace: files, folders, heap, encodings and debug
// output. One interface; win32/ and posix/ implement it. The calls that touch the file system
// go through the table glPlat, so that a test can make any one of them fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Each half defines what these are: a folder can't pass for a file.
struct PlatFileHandle; // an open file
struct PlatDirHandle;  // an open folder, which names inside it are taken from
using PlatFile = PlatFileHandle*;
using PlatDir = PlatDirHandle*;

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

// A file's size and when it was last written: what tells that it changed.
struct PlatStamp {
    uint64_t size = 0;
    int64_t written = 0; // in the platform's finest unit
    bool operator==(const PlatStamp&) const = default;
};

struct PlatFileId {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool isDir = false;  // of what the path leads to
    bool isFile = false; // a regular file (no folder, pipe or device)
    bool isLink = false; // the path itself is a link (or another reparse point)
    int64_t changed = 0; // last written, in seconds since 1970
    PlatStamp stamp;
};

// Every call gives 0, or the OS error code; results come through out-parameters. A call that
// takes a folder and a name works on the name inside that very folder, never through a link
// or a folder swapped in for it since it was opened.
struct PlatCalls {
    // Every entry of a folder, "." and ".." first, in the platform's order.
    int (*List)(const char* folder, std::vector<PlatEntry>* entries);
    // The absolute path of what `path` names, its "." and ".." and separators resolved (and on
    // Linux its links); an error where it can't be had exactly.
    int (*FullPath)(const char* path, std::string* out);
    // What `path` leads to (through links; `isLink` tells whether the path itself is one).
    int (*Identify)(const char* path, PlatFileId* id);
    // A folder opened, not through a link; `id` is its identity.
    int (*OpenDir)(const char* path, PlatDir* dir, PlatFileId* id);
    int (*OpenDirAt)(PlatDir at, const char* name, PlatDir* dir, PlatFileId* id);
    int (*CloseDir)(PlatDir dir);
    // The entry itself, not what a link leads to.
    int (*IdentifyAt)(PlatDir at, const char* name, PlatFileId* id);
    int (*MakeDirAt)(PlatDir at, const char* name);
    // A regular file (no pipe or device), read without sharing.
    int (*OpenRead)(const char* path, PlatFile* file);
    // A new file: nothing of that name may be there (nor a link).
    int (*CreateAt)(PlatDir at, const char* name, PlatFile* file);
    // A regular file copied to a new file; what the call made is gone again when it fails.
    int (*CopyAt)(const char* from, PlatDir at, const char* name);
    int (*Stamp)(PlatFile file, PlatStamp* stamp);
    // All n bytes of buf may be written, however many are read.
    int (*Read)(PlatFile file, void* buf, uint32_t n, uint32_t* got);
    // Writes until all is written or an error stops it.
    int (*Write)(PlatFile file, const void* buf, uint32_t n, uint32_t* put);
    int (*Close)(PlatFile file); // the file is closed either way
    // Within a volume. With replace a file (or link) at `to` is replaced in one step; without,
    // anything there stops it.
    int (*RenameAt)(PlatDir from, const char* a, PlatDir to, const char* b, int replace);
    int (*RemoveAt)(PlatDir at, const char* name);    // a file or link
    int (*RemoveDirAt)(PlatDir at, const char* name); // an empty folder
    int (*SetHiddenAt)(PlatDir at, const char* name, int hidden);
    // A marker file held locked for as long as it is open, seen by every program and machine
    // that locks it too. create: made new (nothing may be there). Else an existing one (a
    // regular file, not a link) that nobody holds.
    int (*HoldMarkerAt)(PlatDir at, const char* name, int create, PlatFile* marker);
    int (*Alloc)(size_t n, void** p); // not zero-filled
    void (*Free)(void* p);
};

extern PlatCalls glPlat;

// An open file or folder of the table's, closed when it goes, also when something thrown ends
// the work on it.
template <typename H, int (*PlatCalls::*Closer)(H)> class PlatHandle {
  public:
    PlatHandle() = default;
    PlatHandle(const PlatHandle&) = delete;
    PlatHandle& operator=(const PlatHandle&) = delete;
    PlatHandle(PlatHandle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    PlatHandle& operator=(PlatHandle&& o) noexcept {
        if (this != &o) Reset(), h_ = o.h_, o.h_ = nullptr;
        return *this;
    }
    ~PlatHandle() { Reset(); }
    H* Out() { return Reset(), &h_; } // for the call that opens it
    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    int Close() { // where its error matters
        int err = h_ ? (glPlat.*Closer)(h_) : 0;
        h_ = nullptr;
        return err;
    }
    void Reset() { Close(); }

  private:
    H h_ = nullptr;
};
using PlatOpenFile = PlatHandle<PlatFile, &PlatCalls::Close>;
using PlatOpenDir = PlatHandle<PlatDir, &PlatCalls::CloseDir>;

// The error code of a path that is no regular file (a pipe, a device), of a file that is
// there already, and of a folder that is no longer the one that was opened.
extern const int kPlatErrNotFile;
extern const int kPlatErrExists;
extern const int kPlatErrMoved;
// Of a path that may not be looked at (a folder that can't be entered).
extern const int kPlatErrDenied;
// Of a conversion a character has no exact form for.
extern const int kPlatErrNoForm;

// Facts of the platform that the path and name rules depend on.
extern const char kPlatSep;           // '\\' or '/'
extern const bool kPlatNamesCp932;    // names are CP932 byte strings
extern const bool kPlatNamesFoldCase; // the file system ignores the case of names
extern const size_t kPlatPathMax;     // longest usable path, terminator not counted
inline constexpr size_t kPlatNameMax = 255;
// A path's length as those limits count it: UTF-16 units on Windows, bytes on Linux.
size_t PlatPathUnits(std::string_view path);

// A CP932 lead byte takes the next byte with it as one character.
inline bool IsCp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Whether Windows would refuse a name, or take it for another: a character it does not allow
// in names (control characters, \ / : * ? " < > |) or a trailing space or dot. With `cp932`
// the second byte of a character is not one of its own.
bool PlatIsBadName(std::string_view name, bool cp932);

// The encodings of names and texts. kEncAnsi: the ANSI code page in which Windows gives names
// (on Linux, UTF-8).
enum PlatEnc : uint8_t { kEncCp932, kEncUtf8, kEncUtf16Le, kEncUtf16Be, kEncAnsi };
// The same characters in another encoding, exactly: 0, or an error code when `in` is not valid
// in `from` or a character has no form of its own in `to` (a best-fit form, such as a backslash
// for "¥" or "e" for "é" in CP932, is never taken).
int PlatConvert(std::string_view in, PlatEnc from, PlatEnc to, std::string* out);

int PlatCompareNoCase(const char* a, const char* b);
void PlatDebugOut(const char* line); // the debug-output channel
int PlatProcessId();
// The processor time this process has spent in its own code so far, in seconds (the benchmark's).
double PlatUserSeconds();
int64_t PlatNow();   // seconds since 1970
int64_t PlatTicks(); // milliseconds, from any start, never going back

// The system's own words for an error code, in the user's language ("" when it has none).
std::string PlatErrorText(int code);
// Whether an error code means the disk (or the space a user may take) is full.
bool PlatIsDiskFull(int code);

// Whether the user reads Japanese: on Windows (the program's own language), and where the
// locale says so elsewhere.
bool PlatJapaneseUser();

// Once at start: a write past a file-size limit fails with an error instead of ending the
// process, the system's texts are in the user's language, and a standard stream that was
// closed is open on nothing, so that no file the run opens takes its place.
void PlatStartup();
// Whether standard output was closed when the program started.
bool PlatStdoutClosed();

// The widest vector instructions the processor and the system allow: 0 none, 1 SSE2, 2 AVX2.
int PlatCpuVector();

// The program's arguments as they truly are: on Windows read as UTF-16 and kept only where the
// ANSI code page holds them exactly.
struct PlatArg {
    std::string text;  // in the ANSI code page
    bool exact = true; // false: the code page can't hold it, and `text` is no path
    std::string utf8;  // as typed: from UTF-16 on Windows, the bytes themselves on Linux
    PlatArg(const std::string& t = "", bool e = true) : text(t), exact(e), utf8(t) {}
    PlatArg(const std::string& t, bool e, const std::string& u) : text(t), exact(e), utf8(u) {}
};
std::vector<PlatArg> PlatCommandLine(int argc, char** argv);
