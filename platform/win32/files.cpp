// The file calls on Windows: every name is in the ANSI code page, and listed names are kept only
// where the code page holds them exactly. The calls are the wide ones, a long path in its
// \\?\ form: the run's own temporary paths may pass MAX_PATH where the copy's don't. An opened
// folder is held without sharing its deletion, so it can't be moved or replaced meanwhile, and
// is checked to still be itself before anything is made, moved or removed in it.
#include "platform/platform.h"

#include <windows.h>

#include <cwchar>

#include "platform/win32/wide.h"

struct PlatFileHandle {
    HANDLE h;
};

struct PlatDirHandle {
    HANDLE h;
    std::string path;
    PlatFileId id;
};

namespace {

int Code(BOOL ok) {
    return ok ? 0 : static_cast<int>(GetLastError());
}

std::string In(PlatDir at, const char* name) {
    return at->path + "\\" + name;
}

// An ANSI path as the wide calls take it: past what the plain form allows, in the long form.
std::wstring W(const std::string& path) {
    std::wstring wide;
    if (!KwToWide(path, &wide)) return L"";
    if (wide.size() < MAX_PATH - 12) return wide;
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
    if (wide.rfind(L"\\\\", 0) == 0 && wide.rfind(L"\\\\?\\", 0) != 0)
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

void Fill(const BY_HANDLE_FILE_INFORMATION& info, PlatFileId* id) {
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id->isDir = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    id->isLink = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    ULARGE_INTEGER t;
    t.LowPart = info.ftLastWriteTime.dwLowDateTime;
    t.HighPart = info.ftLastWriteTime.dwHighDateTime;
    id->changed = static_cast<int64_t>(t.QuadPart / 10000000) - 11644473600LL;
    id->stamp = {static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow,
                 static_cast<int64_t>(t.QuadPart)};
}

// The identity of a path; with `follow` of what a link leads to, else of the link itself.
int IdentifyPath(const std::string& path, bool follow, PlatFileId* id) {
    // Backup semantics lets a folder be opened; no access right is needed to read its identity.
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE h =
        CreateFileW(W(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    int err = Code(GetFileInformationByHandle(h, &info));
    // A pipe or a device (Wine shows those of Linux folders as files) is no regular file.
    DWORD type = GetFileType(h);
    CloseHandle(h);
    if (!err) Fill(info, id);
    id->isFile = !err && !id->isDir && type == FILE_TYPE_DISK && (follow || !id->isLink);
    return err;
}

// The folder is still the one that was opened, at its path.
int Still(PlatDir at) {
    const PlatDirHandle* d = at;
    PlatFileId now;
    if (IdentifyPath(d->path, false, &now) != 0 || now.isLink || now.volume != d->id.volume ||
        now.index != d->id.index)
        return kPlatErrMoved;
    return 0;
}

// Whether Windows would take a name for another one: a trailing space or dot goes, and a
// separator or a drive colon makes it a path.
void FillEntry(const WIN32_FIND_DATAW& fd, PlatEntry* entry) {
    entry->state = kNameOk;
    if (!KwFromWide(fd.cFileName, wcslen(fd.cFileName), &entry->name)) {
        entry->state = kNameNotAnsi;
        // For showing only: what the default character makes of it.
        char shown[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, fd.cFileName, -1, shown, sizeof shown,
                            nullptr, nullptr);
        entry->name = shown;
    } else if (entry->name != "." && entry->name != ".." && PlatIsBadName(entry->name, true)) {
        entry->state = kNameAltered;
    }
    entry->isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->isLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

int WinList(const char* folder, std::vector<PlatEntry>* out) {
    out->clear();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(W(std::string(folder) + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(GetLastError());
    int err = 0;
    do {
        out->emplace_back();
        FillEntry(fd, &out->back());
    } while (FindNextFileW(h, &fd));
    if (GetLastError() != ERROR_NO_MORE_FILES) err = static_cast<int>(GetLastError());
    FindClose(h);
    return err;
}

int WinFullPath(const char* path, std::string* out) {
    std::wstring wide;
    if (!KwToWide(path, &wide)) return ERROR_INVALID_NAME;
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return static_cast<int>(GetLastError());
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    full.resize(n);
    // A folder's own path, not its root's: "C:\Proj\" is "C:\Proj".
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    return n > 0 && KwFromWide(full, out) ? 0 : ERROR_NO_UNICODE_TRANSLATION;
}

int WinIdentify(const char* path, PlatFileId* id) {
    if (int err = IdentifyPath(path, true, id)) return err;
    DWORD attrs = GetFileAttributesW(W(path).c_str());
    id->isLink = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
    return 0;
}

// Held without FILE_SHARE_DELETE: while the run lives, no one renames or removes the folder.
int OpenFolder(const std::string& path, PlatDir* dir, PlatFileId* id) {
    HANDLE h = CreateFileW(W(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    int err = Code(GetFileInformationByHandle(h, &info));
    if (!err) Fill(info, id);
    if (!err && (!id->isDir || id->isLink)) err = id->isLink ? kPlatErrMoved : ERROR_DIRECTORY;
    if (err) {
        CloseHandle(h);
        return err;
    }
    *dir = new PlatDirHandle{h, path, *id};
    return 0;
}

int WinOpenDir(const char* path, PlatDir* dir, PlatFileId* id) {
    return OpenFolder(path, dir, id);
}

int WinOpenDirAt(PlatDir at, const char* name, PlatDir* dir, PlatFileId* id) {
    if (int err = Still(at)) return err;
    return OpenFolder(In(at, name), dir, id);
}

int WinCloseDir(PlatDir dir) {
    int err = Code(CloseHandle(dir->h));
    delete dir;
    return err;
}

int WinIdentifyAt(PlatDir at, const char* name, PlatFileId* id) {
    if (int err = Still(at)) return err;
    return IdentifyPath(In(at, name), false, id);
}

int WinMakeDirAt(PlatDir at, const char* name) {
    if (int err = Still(at)) return err;
    return Code(CreateDirectoryW(W(In(at, name)).c_str(), nullptr));
}

int Open(const std::string& path, DWORD access, DWORD disposition, PlatFile* file) {
    HANDLE h = CreateFileW(W(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    // A pipe or a device (Wine shows those of Linux folders as files) is no file to copy.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return ERROR_BAD_FILE_TYPE;
    }
    *file = new PlatFileHandle{h};
    return 0;
}

int WinOpenRead(const char* path, PlatFile* file) {
    return Open(path, GENERIC_READ, OPEN_EXISTING, file);
}

int WinCreateAt(PlatDir at, const char* name, PlatFile* file) {
    if (int err = Still(at)) return err;
    return Open(In(at, name), GENERIC_WRITE, CREATE_NEW, file);
}

int WinCopyAt(const char* from, PlatDir at, const char* name) {
    HANDLE h = CreateFileW(W(from).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    DWORD type = GetFileType(h);
    CloseHandle(h);
    if (type != FILE_TYPE_DISK) return ERROR_BAD_FILE_TYPE;
    if (int err = Still(at)) return err;
    std::string to = In(at, name);
    if (CopyFileW(W(from).c_str(), W(to).c_str(), TRUE)) {
        // The copy is the user's new file: never read-only because the project was (a CD, an
        // archive). CopyFile carries the attribute over.
        DWORD attrs = GetFileAttributesW(W(to).c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) &&
            !SetFileAttributesW(W(to).c_str(), attrs & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
            auto err = static_cast<int>(GetLastError());
            DeleteFileW(W(to).c_str());
            return err;
        }
        return 0;
    }
    auto err = static_cast<int>(GetLastError());
    // `to` was not there before (else the copy stops at once): what is there now is its own.
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) DeleteFileW(W(to).c_str());
    return err;
}

int WinStamp(PlatFile file, PlatStamp* stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file->h, &info)) return static_cast<int>(GetLastError());
    PlatFileId id;
    Fill(info, &id);
    *stamp = id.stamp;
    return 0;
}

// A large buffer's pages are touched first, a write each: under Wine a read into pages not yet
// touched takes half as long again (32 MiB: 60 ms against 40, the touching included).
int WinRead(PlatFile file, void* buf, uint32_t n, uint32_t* got) {
    if (n >= (uint32_t{1} << 20))
        for (uint32_t i = 0; i < n; i += 4096)
            static_cast<volatile char*>(buf)[i] = 0;
    DWORD done = 0;
    BOOL ok = ReadFile(file->h, buf, n, &done, nullptr);
    *got = done;
    return Code(ok);
}

int WinWrite(PlatFile file, const void* buf, uint32_t n, uint32_t* put) {
    DWORD done = 0;
    BOOL ok = WriteFile(file->h, buf, n, &done, nullptr);
    *put = done;
    if (ok && done < n) return ERROR_DISK_FULL;
    return Code(ok);
}

// A close that reports failure is tried again, a bounded number of times.
int WinClose(PlatFile file) {
    int err = 0;
    for (int tries = 0; tries < 5; ++tries)
        if ((err = Code(CloseHandle(file->h))) == 0) break;
    delete file;
    return err;
}

int WinRenameAt(PlatDir from, const char* a, PlatDir to, const char* b, int replace) {
    int err = Still(from);
    if (err || (err = Still(to))) return err;
    err = Code(MoveFileExW(W(In(from, a)).c_str(), W(In(to, b)).c_str(),
                           replace ? MOVEFILE_REPLACE_EXISTING : 0));
    return err == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : err;
}

// What the run made goes even where an attribute is in the way (a read-only file copied by a
// run that was killed before it could clear the attribute).
int WinRemoveAt(PlatDir at, const char* name) {
    if (int err = Still(at)) return err;
    std::wstring path = W(In(at, name));
    if (DeleteFileW(path.c_str())) return 0;
    auto err = static_cast<int>(GetLastError());
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (err != ERROR_ACCESS_DENIED || attrs == INVALID_FILE_ATTRIBUTES ||
        !(attrs & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesW(path.c_str(), attrs & ~DWORD{FILE_ATTRIBUTE_READONLY}))
        return err;
    return Code(DeleteFileW(path.c_str()));
}

int WinRemoveDirAt(PlatDir at, const char* name) {
    if (int err = Still(at)) return err;
    return Code(RemoveDirectoryW(W(In(at, name)).c_str()));
}

int WinSetHiddenAt(PlatDir at, const char* name, int hidden) {
    if (int err = Still(at)) return err;
    std::wstring path = W(In(at, name));
    DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
    attrs = hidden ? attrs | FILE_ATTRIBUTE_HIDDEN : attrs & ~DWORD{FILE_ATTRIBUTE_HIDDEN};
    return Code(SetFileAttributesW(path.c_str(), attrs));
}

// The holder shares nothing but deletion, so no one else can open the marker while it lives,
// here or on another machine (the server keeps the share modes); the byte-range lock says
// the same to anyone who only locks (Linux programs, through Wine or a share).
int WinHoldMarkerAt(PlatDir at, const char* name, int create, PlatFile* marker) {
    if (int err = Still(at)) return err;
    HANDLE h = CreateFileW(W(In(at, name)).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                           nullptr, create ? CREATE_NEW : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    BY_HANDLE_FILE_INFORMATION info;
    OVERLAPPED from = {};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                    &from)) {
        DWORD err = GetLastError();
        CloseHandle(h);
        return err ? static_cast<int>(err) : ERROR_LOCK_VIOLATION;
    }
    *marker = new PlatFileHandle{h};
    return 0;
}

// Not zeroed: a text's buffer is written before it is read, and zeroing it first costs as
// much as reading it.
int WinAlloc(size_t n, void** p) {
    *p = HeapAlloc(GetProcessHeap(), 0, n ? n : 1);
    return *p ? 0 : ERROR_NOT_ENOUGH_MEMORY;
}

void WinFree(void* p) {
    if (p) HeapFree(GetProcessHeap(), 0, p);
}

} // namespace

PlatCalls glPlat = {
    .List = WinList,
    .FullPath = WinFullPath,
    .Identify = WinIdentify,
    .OpenDir = WinOpenDir,
    .OpenDirAt = WinOpenDirAt,
    .CloseDir = WinCloseDir,
    .IdentifyAt = WinIdentifyAt,
    .MakeDirAt = WinMakeDirAt,
    .OpenRead = WinOpenRead,
    .CreateAt = WinCreateAt,
    .CopyAt = WinCopyAt,
    .Stamp = WinStamp,
    .Read = WinRead,
    .Write = WinWrite,
    .Close = WinClose,
    .RenameAt = WinRenameAt,
    .RemoveAt = WinRemoveAt,
    .RemoveDirAt = WinRemoveDirAt,
    .SetHiddenAt = WinSetHiddenAt,
    .HoldMarkerAt = WinHoldMarkerAt,
    .Alloc = WinAlloc,
    .Free = WinFree,
};

const int kPlatErrNotFile = ERROR_BAD_FILE_TYPE;
const int kPlatErrExists = ERROR_FILE_EXISTS;
const int kPlatErrMoved = ERROR_FILE_INVALID;
const int kPlatErrDenied = ERROR_ACCESS_DENIED;
const char kPlatSep = '\\';
const bool kPlatNamesCp932 = true;
const bool kPlatNamesFoldCase = true;
const size_t kPlatPathMax = MAX_PATH - 1;
