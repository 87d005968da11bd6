#include "tests/win32/native.h"

#include <windows.h>

#include <algorithm>

namespace {

// The Linux name of a Windows path, from Wine.
std::string UnixPath(const std::string& path) {
    using Fn = char*(__cdecl*)(const WCHAR*);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char* name = fn ? fn(Wide(path, CP_ACP).c_str()) : nullptr;
    std::string out = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// A Linux system call of the 32-bit process Wine runs this program in.
int LinuxCall(int nr, const void* a, const void* b, const void* c = nullptr) {
    int ret;
    asm volatile("int $0x80" : "=a"(ret) : "a"(nr), "b"(a), "c"(b), "d"(c) : "memory");
    return ret;
}

std::vector<HANDLE> gHolders;
std::vector<int> gLocked;

} // namespace

std::wstring Wide(const std::string& s, unsigned cp) {
    std::wstring w(s.size() + 1, L'\0');
    w.resize(static_cast<size_t>(MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()),
                                                     w.data(), static_cast<int>(w.size()))));
    return w;
}

std::string Listed(const char8_t* utf8) {
    std::wstring w = Wide(reinterpret_cast<const char*>(utf8), CP_UTF8);
    std::string out(w.size() * 2 + 1, '\0');
    out.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()),
                            out.data(), static_cast<int>(out.size()), "?", nullptr)));
    return out;
}

void MakeNamedFile(const std::string& dir, const char8_t* utf8Name, const std::string& content) {
    // \\?\ keeps the name as it is, trailing spaces and dots included.
    std::wstring path = L"\\\\?\\" + Wide(dir, CP_ACP) + L"\\" +
                        Wide(reinterpret_cast<const char*>(utf8Name), CP_UTF8);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << dir;
    DWORD put = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
    CloseHandle(h);
}

void RewriteInPlace(const std::string& path, const std::string& content) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD put = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &put, nullptr);
    CloseHandle(h);
}

void MakePipe(const std::string& path) {
    ASSERT_EQ(LinuxCall(14 /* mknod */, UnixPath(path).c_str(), reinterpret_cast<void*>(010644)), 0)
        << path;
}

void MakeLink(const std::string& target, const std::string& path) {
    std::string to = target[0] == '/' ? target : UnixPath(target);
    ASSERT_EQ(LinuxCall(83 /* symlink */, to.c_str(), UnixPath(path).c_str()), 0) << path;
}

void ChangeDir(const std::string& dir) {
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str())) << dir;
}

void SetMode(const std::string& path, int mode) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY) && !(mode & 0222)) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), attrs | FILE_ATTRIBUTE_READONLY)) << path;
    }
}

bool IsWritable(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_READONLY);
}

void Age(const std::string& path, int64_t seconds) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= static_cast<ULONGLONG>(seconds) * 10000000;
    FILETIME then{t.LowPart, t.HighPart};
    SetFileTime(h, nullptr, &then, &then);
    CloseHandle(h);
}

std::string FromLinuxPath(const std::string& path) {
    std::string out = "Z:" + path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string CurrentDir() {
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buf);
    return buf;
}

// Share modes are per handle: one opened here without sharing holds the file as another
// program's would.
void HoldOpen(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    gHolders.push_back(h);
}

// open, then fcntl64 with F_OFD_SETLK and a struct flock64 (type, whence, start, length, pid).
void HoldAsOtherBuild(const std::string& path) {
    int fd = LinuxCall(5, UnixPath(path).c_str(), reinterpret_cast<void*>(2 /* O_RDWR */));
    ASSERT_GE(fd, 0) << path;
#pragma pack(push, 4)
    struct {
        short type = 1, whence = 0; // F_WRLCK from the start
        long long start = 0, length = 0;
        int pid = 0;
    } lock;
#pragma pack(pop)
    ASSERT_EQ(LinuxCall(221, reinterpret_cast<void*>(fd), reinterpret_cast<void*>(37), &lock), 0)
        << path;
    gLocked.push_back(fd);
}

void ReleaseHolds() {
    for (HANDLE h : gHolders)
        CloseHandle(h);
    gHolders.clear();
    for (int fd : gLocked)
        LinuxCall(6 /* close */, reinterpret_cast<void*>(fd), nullptr);
    gLocked.clear();
}

int RunAsNobody(int (*job)(std::string* out), void (*setup)(), std::string* out) {
    if (setup) setup();
    return job(out);
}

// Rows of their own on Linux.
void LimitFileSize() {}
void StdoutToFullDisk() {}
void CloseStdout() {}

int RunCli(const std::vector<std::string>& args, long killAfter) {
    std::string cmd = "\"" + FromLinuxPath(KW_CLI_PATH) + "\"";
    for (const std::string& a : args)
        cmd += " \"" + a + "\"";
    // No console of its own (Wine would start a console host for it that outlives the test,
    // holding CTest's pipe), its standard handles on NUL.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    BOOL made = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                               nullptr, nullptr, &si, &pi);
    CloseHandle(nul);
    if (!made) return -2;
    bool killed = false;
    if (killAfter >= 0 &&
        WaitForSingleObject(pi.hProcess, static_cast<DWORD>(killAfter / 1000)) == WAIT_TIMEOUT)
        killed = TerminateProcess(pi.hProcess, 255);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return killed ? -1 : static_cast<int>(code);
}
