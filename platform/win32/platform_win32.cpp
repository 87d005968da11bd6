// The platform layer on Windows: the ANSI calls, so every string is in the ANSI code page.
#include "platform/platform.h"

#include <cstring>
#include <windows.h>

namespace {

struct Search {
    HANDLE h;
};

void FillEntry(const WIN32_FIND_DATAA& fd, PlatEntry* entry) {
    entry->name = fd.cFileName;
    entry->isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->isLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

PlatSearch WinFindFirst(const char* pattern, PlatEntry* entry) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    FillEntry(fd, entry);
    return new Search{h};
}

int WinFindNext(PlatSearch search, PlatEntry* entry) {
    WIN32_FIND_DATAA fd;
    if (!FindNextFileA(static_cast<Search*>(search)->h, &fd))
        return GetLastError() == ERROR_NO_MORE_FILES ? 0 : -1;
    FillEntry(fd, entry);
    return 1;
}

void WinFindEnd(PlatSearch search) {
    FindClose(static_cast<Search*>(search)->h);
    delete static_cast<Search*>(search);
}

int WinMakeDir(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 0 : static_cast<int>(GetLastError());
}

int WinCopy(const char* from, const char* to) {
    return CopyFileA(from, to, TRUE) ? 0 : static_cast<int>(GetLastError());
}

PlatFile Open(const char* path, DWORD access, DWORD disposition) {
    HANDLE h = CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

PlatFile WinOpenRead(const char* path) {
    return Open(path, GENERIC_READ, OPEN_EXISTING);
}
PlatFile WinCreateWrite(const char* path) {
    return Open(path, GENERIC_WRITE, CREATE_NEW);
}

int WinSize(PlatFile file, uint64_t* size) {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(file, &li)) return 0;
    *size = static_cast<uint64_t>(li.QuadPart);
    return 1;
}

int WinRead(PlatFile file, void* buf, uint32_t n, uint32_t* got) {
    DWORD done = 0;
    BOOL ok = ReadFile(file, buf, n, &done, nullptr);
    *got = done;
    return ok ? 1 : 0;
}

int WinWrite(PlatFile file, const void* buf, uint32_t n, uint32_t* put) {
    DWORD done = 0;
    BOOL ok = WriteFile(file, buf, n, &done, nullptr);
    *put = done;
    return ok ? 1 : 0;
}

// A close that reports failure is tried again, a bounded number of times.
int WinClose(PlatFile file) {
    for (int tries = 0; tries < 5; ++tries)
        if (CloseHandle(file)) return 1;
    return 0;
}

int Code(BOOL ok) {
    return ok ? 0 : static_cast<int>(GetLastError());
}

int WinRename(const char* from, const char* to, int replace) {
    return Code(MoveFileExA(from, to, replace ? MOVEFILE_REPLACE_EXISTING : 0));
}

int WinRemove(const char* path) {
    return Code(DeleteFileA(path));
}

int WinRemoveDir(const char* path) {
    return Code(RemoveDirectoryA(path));
}

int WinSetHidden(const char* path, int hidden) {
    DWORD attrs = GetFileAttributesA(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
    attrs = hidden ? attrs | FILE_ATTRIBUTE_HIDDEN : attrs & ~DWORD{FILE_ATTRIBUTE_HIDDEN};
    return Code(SetFileAttributesA(path, attrs));
}

int WinProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

int WinProcessAlive(int pid) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    BOOL ok = GetExitCodeProcess(h, &code);
    CloseHandle(h);
    return ok && code == STILL_ACTIVE;
}

int WinIdentify(const char* path, PlatFileId* id) {
    // Backup semantics lets a folder be opened; no access right is needed to read its identity.
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return 0;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id->isDir = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return 1;
}

int WinCompareNoCase(const char* a, const char* b) {
    return lstrcmpiA(a, b);
}

void* WinAlloc(size_t n) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, n ? n : 1);
}
void WinFree(void* p) {
    if (p) HeapFree(GetProcessHeap(), 0, p);
}

void WinDebugOut(const char* line) {
    OutputDebugStringA(line);
}

void WinBox(const char* text, const char* caption, unsigned flags) {
    MessageBoxA(static_cast<HWND>(glPlatOwner), text, caption, flags);
}

// ANSI -> UTF-16 -> code page `cp`, refusing characters the target can't hold.
int Convert(const std::string& name, UINT cp, std::string* out) {
    out->clear();
    if (name.empty()) return 1;
    int wn = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(),
                                 static_cast<int>(name.size()), nullptr, 0);
    if (wn <= 0) return 0;
    std::wstring wide(static_cast<size_t>(wn), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                        wide.data(), wn);
    BOOL lossy = FALSE;
    BOOL* lossyp = cp == CP_UTF8 ? nullptr : &lossy; // UTF-8 takes no default-char argument
    DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(cp, flags, wide.data(), wn, nullptr, 0, nullptr, lossyp);
    if (n <= 0 || lossy) return 0;
    out->assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, flags, wide.data(), wn, out->data(), n, nullptr, lossyp);
    return lossy ? 0 : 1;
}

int WinToUtf8(const std::string& name, std::string* out) {
    return Convert(name, CP_UTF8, out);
}
int WinToCp932(const std::string& name, std::string* out) {
    return Convert(name, 932, out);
}

int WinLastError() {
    return static_cast<int>(GetLastError());
}

} // namespace

PlatCalls glPlat = {
    WinFindFirst,     WinFindNext,     WinFindEnd, WinMakeDir,  WinCopy,      WinOpenRead,
    WinCreateWrite,   WinSize,         WinRead,    WinWrite,    WinClose,     WinIdentify,
    WinCompareNoCase, WinAlloc,        WinFree,    WinDebugOut, WinBox,       WinToUtf8,
    WinToCp932,       WinLastError,    WinRename,  WinRemove,   WinRemoveDir, WinSetHidden,
    WinProcessId,     WinProcessAlive,
};

void* glPlatOwner = nullptr;

// msvcrt has no memmem: the first byte by memchr, the rest compared.
const char* PlatFind(const char* hay, size_t n, const char* needle, size_t m) {
    if (m > n) return nullptr;
    const char* last = hay + (n - m);
    for (const char* p = hay; p <= last; ++p) {
        p = static_cast<const char*>(memchr(p, needle[0], static_cast<size_t>(last - p) + 1));
        if (!p) return nullptr;
        if (memcmp(p, needle, m) == 0) return p;
    }
    return nullptr;
}

const char kPlatSep = '\\';
const bool kPlatNamesCp932 = true;
const bool kPlatNamesFoldCase = true;
const size_t kPlatPathMax = MAX_PATH - 1;
