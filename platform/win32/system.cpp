// What is not the file system on Windows: encodings, the debug channel, error texts, the
// process.
#include "platform/platform.h"

#include "platform/convert.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <ctime>
#include <cwchar>

#include "platform/win32/wide.h"

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

void ToUtf8(const wchar_t* text, std::string* out) {
    int wn = static_cast<int>(wcslen(text));
    out->assign(static_cast<size_t>(wn) * 3, '\0');
    out->resize(static_cast<size_t>(
        std::max(0, WideCharToMultiByte(CP_UTF8, 0, text, wn, out->data(),
                                        static_cast<int>(out->size()), nullptr, nullptr))));
}

} // namespace

const int kPlatErrNoForm = ERROR_NO_UNICODE_TRANSLATION;

// Through UTF-16; WideCharToMultiByte is asked for no best fit, and says where it took the
// default character.
bool PlatToChars(std::string_view in, PlatEnc from, std::u32string* out) {
    std::wstring wide;
    if (!ToWide(in, from, &wide)) return false;
    out->clear();
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        out->push_back(c);
    }
    return true;
}

bool PlatFromChars(std::u32string_view in, PlatEnc to, std::string* out) {
    std::wstring wide;
    for (char32_t c : in) {
        if (c < 0x10000) {
            wide.push_back(static_cast<wchar_t>(c));
        } else {
            wide.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return FromWide(wide, to, out);
}

size_t PlatPathUnits(std::string_view path) {
    if (path.empty()) return 0;
    int n = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    return n > 0 ? static_cast<size_t>(n) : path.size();
}

int PlatCompareNoCase(const char* a, const char* b) {
    return lstrcmpiA(a, b);
}

void PlatDebugOut(const char* line) {
    OutputDebugStringA(line);
}

int PlatProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

double PlatUserSeconds() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    return static_cast<double>(uint64_t{user.dwHighDateTime} << 32 | user.dwLowDateTime) / 1e7;
}

int64_t PlatNow() {
    return static_cast<int64_t>(time(nullptr));
}

int64_t PlatTicks() {
    return static_cast<int64_t>(GetTickCount64());
}

// The system's own message: in Japanese where Windows has it, else in its own language.
std::string PlatErrorText(int code) {
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    wchar_t buf[512];
    DWORD n = 0;
    for (DWORD lang : {DWORD{MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)}, DWORD{0}})
        if ((n = FormatMessageW(flags, nullptr, static_cast<DWORD>(code), lang, buf, 512,
                                nullptr)) > 0)
            break;
    std::wstring text(buf, n);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    std::string out;
    return KwFromWide(text, &out) ? out : "";
}

bool PlatIsDiskFull(int code) {
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL;
}

bool PlatJapaneseUser() {
    return true;
}

void PlatStartup() {}

bool PlatStdoutClosed() {
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    return !h || h == INVALID_HANDLE_VALUE;
}

std::vector<PlatArg> PlatCommandLine(int, char**) {
    std::vector<PlatArg> args;
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 0; wide && i < n; ++i) {
        PlatArg a;
        a.exact = KwFromWide(wide[i], wcslen(wide[i]), &a.text);
        ToUtf8(wide[i], &a.utf8);
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
