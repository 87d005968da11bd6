// The platform layer on Windows: the ANSI calls, so every string is in the ANSI code page.
#include "platform/platform.h"

#include <cstring>
#include <windows.h>
#include <shellapi.h>
#include <cwchar>

#include "platform/win32/wide.h"

namespace {

struct Search {
    HANDLE h;
};

// Whether Windows would take a name for another one: a trailing space or dot goes, and a
// separator or a drive colon makes it a path.
bool IsAltered(const std::string& name) {
    if (name == "." || name == "..") return false;
    if (name.empty() || name.back() == ' ' || name.back() == '.') return true;
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return true;
        if (IsDBCSLeadByte(c)) ++i; // its second byte may be a 5C
    }
    return false;
}

// The entry as the wide functions list it: its name is used only if the ANSI code page holds
// it exactly.
void FillEntry(const WIN32_FIND_DATAW& fd, PlatEntry* entry) {
    entry->state = kNameOk;
    if (!KwFromWide(fd.cFileName, wcslen(fd.cFileName), &entry->name)) {
        entry->state = kNameNotAnsi;
        // For showing only: what the default character makes of it.
        char shown[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, fd.cFileName, -1, shown, sizeof shown,
                            nullptr, nullptr);
        entry->name = shown;
    } else if (IsAltered(entry->name)) {
        entry->state = kNameAltered;
    }
    entry->isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->isLink = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

PlatSearch WinFindFirst(const char* pattern, PlatEntry* entry) {
    std::wstring wide;
    if (!KwToWide(pattern, &wide)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(wide.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(0); // read; nothing matched
        return nullptr;
    }
    FillEntry(fd, entry);
    return new Search{h};
}

int WinFindNext(PlatSearch search, PlatEntry* entry) {
    WIN32_FIND_DATAW fd;
    if (!FindNextFileW(static_cast<Search*>(search)->h, &fd))
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

PlatFile Open(const char* path, DWORD access, DWORD disposition) {
    HANDLE h = CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    // A pipe or a device (Wine shows those of Linux folders as files) is no file to copy.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        SetLastError(ERROR_BAD_FILE_TYPE);
        return nullptr;
    }
    return h;
}

int WinCopy(const char* from, const char* to) {
    HANDLE h = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    DWORD type = GetFileType(h);
    CloseHandle(h);
    if (type != FILE_TYPE_DISK) return ERROR_BAD_FILE_TYPE;
    if (CopyFileA(from, to, TRUE)) return 0;
    auto err = static_cast<int>(GetLastError());
    // `to` was not there before (else the copy stops at once): what is there now is its own.
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) DeleteFileA(to);
    return err;
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

int WinFullPath(const char* path, std::string* out) {
    std::wstring wide;
    if (!KwToWide(path, &wide)) return 0;
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return 0;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    full.resize(n);
    // A folder's own path, not its root's: "C:\Proj\" is "C:\Proj".
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    return n > 0 && KwFromWide(full, out) ? 1 : 0;
}

// The holder shares nothing but deletion, so no one else can open the marker while it lives,
// here or on another machine (the server keeps the share modes); the byte-range lock says
// the same to anyone who only locks.
PlatFile WinHoldMarker(const char* path, int create) {
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                           create ? CREATE_NEW : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    OVERLAPPED at = {};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                    &at)) {
        DWORD err = GetLastError();
        CloseHandle(h);
        SetLastError(err ? err : ERROR_LOCK_VIOLATION);
        return nullptr;
    }
    return h;
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
    DWORD attrs = GetFileAttributesA(path);
    id->isLink = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT);
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

int WinLastError() {
    return static_cast<int>(GetLastError());
}

} // namespace

PlatCalls glPlat = {
    WinFindFirst, WinFindNext,    WinFindEnd,       WinMakeDir,  WinCopy,
    WinOpenRead,  WinCreateWrite, WinSize,          WinRead,     WinWrite,
    WinClose,     WinIdentify,    WinCompareNoCase, WinAlloc,    WinFree,
    WinDebugOut,  WinBox,         WinLastError,     WinRename,   WinRemove,
    WinRemoveDir, WinSetHidden,   WinProcessId,     WinFullPath, WinHoldMarker,
};

void* glPlatOwner = nullptr;

namespace {

UINT CodePage(PlatEnc e) {
    return e == kEncCp932 ? 932 : e == kEncUtf8 ? CP_UTF8 : CP_ACP;
}

bool ToWide(std::string_view in, PlatEnc from, std::wstring* out) {
    out->clear();
    if (from == kEncUtf16Le || from == kEncUtf16Be) {
        if (in.size() % 2) return false;
        for (size_t i = 0; i < in.size(); i += 2) {
            auto a = static_cast<unsigned char>(in[i]), b = static_cast<unsigned char>(in[i + 1]);
            out->push_back(static_cast<wchar_t>(from == kEncUtf16Le ? a | b << 8 : b | a << 8));
        }
        // Surrogates only in pairs.
        for (size_t i = 0; i < out->size(); ++i) {
            wchar_t c = (*out)[i];
            if (c >= 0xDC00 && c <= 0xDFFF) return false;
            if (c >= 0xD800 && c <= 0xDBFF &&
                (++i == out->size() || (*out)[i] < 0xDC00 || (*out)[i] > 0xDFFF))
                return false;
        }
        return true;
    }
    if (in.empty()) return true;
    int n = static_cast<int>(in.size());
    int wn = MultiByteToWideChar(CodePage(from), MB_ERR_INVALID_CHARS, in.data(), n, nullptr, 0);
    if (wn <= 0) return false;
    out->assign(static_cast<size_t>(wn), L'\0');
    return MultiByteToWideChar(CodePage(from), MB_ERR_INVALID_CHARS, in.data(), n, out->data(),
                               wn) == wn;
}

bool FromWide(const std::wstring& in, PlatEnc to, std::string* out) {
    out->clear();
    if (to == kEncUtf16Le || to == kEncUtf16Be) {
        for (wchar_t c : in) {
            char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
            out->push_back(to == kEncUtf16Le ? lo : hi);
            out->push_back(to == kEncUtf16Le ? hi : lo);
        }
        return true;
    }
    if (in.empty()) return true;
    UINT cp = CodePage(to);
    BOOL lossy = FALSE;
    BOOL* lossyp = cp == CP_UTF8 ? nullptr : &lossy; // UTF-8 takes no default-char argument
    DWORD flags = cp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int wn = static_cast<int>(in.size());
    int n = WideCharToMultiByte(cp, flags, in.data(), wn, nullptr, 0, nullptr, lossyp);
    if (n <= 0 || lossy) return false;
    out->assign(static_cast<size_t>(n), '\0');
    return WideCharToMultiByte(cp, flags, in.data(), wn, out->data(), n, nullptr, lossyp) == n &&
           !lossy;
}

} // namespace

// Through UTF-16, and back again to the same characters: anything else took a best-fit form.
int PlatConvert(std::string_view in, PlatEnc from, PlatEnc to, std::string* out) {
    std::wstring wide, back;
    if (ToWide(in, from, &wide) && FromWide(wide, to, out) && ToWide(*out, to, &back) &&
        back == wide)
        return 0;
    out->clear();
    return ERROR_NO_UNICODE_TRANSLATION;
}

std::vector<PlatArg> PlatCommandLine(int, char**) {
    std::vector<PlatArg> args;
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 0; wide && i < n; ++i) {
        PlatArg a;
        a.exact = KwFromWide(wide[i], wcslen(wide[i]), &a.text);
        args.push_back(a);
    }
    LocalFree(wide);
    return args;
}

// AVX2 where the processor has it and Windows keeps its registers (the compiler's check asks
// both), else SSE2 where Windows says the processor has it.
int PlatCpuVector() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return 2;
    return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) ? 1 : 0;
}

const int kPlatErrNotFile = ERROR_BAD_FILE_TYPE;
const int kPlatErrExists = ERROR_FILE_EXISTS;
const char kPlatSep = '\\';
const bool kPlatNamesCp932 = true;
const bool kPlatNamesFoldCase = true;
const size_t kPlatPathMax = MAX_PATH - 1;
