#include "platform/win32/wide.h"

#include <windows.h>

bool KwFromWide(const wchar_t* text, size_t n, std::string* out) {
    out->clear();
    if (n == 0) return true;
    int wn = static_cast<int>(n);
    BOOL lossy = FALSE;
    int len =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, wn, nullptr, 0, nullptr, &lossy);
    if (len <= 0 || lossy) return false;
    out->assign(static_cast<size_t>(len), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, wn, out->data(), len, nullptr, &lossy);
    // Back again, to the same characters: anything else is a form of another name.
    std::wstring back;
    if (lossy || !KwToWide(*out, &back) || back.compare(0, std::wstring::npos, text, n) != 0) {
        out->clear();
        return false;
    }
    return true;
}

bool KwFromWide(const std::wstring& text, std::string* out) {
    return KwFromWide(text.data(), text.size(), out);
}

bool KwToWide(const std::string& text, std::wstring* out) {
    out->clear();
    if (text.empty()) return true;
    int n = static_cast<int>(text.size());
    int wn = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), n, nullptr, 0);
    if (wn <= 0) return false;
    out->assign(static_cast<size_t>(wn), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), n, out->data(), wn);
    return true;
}
