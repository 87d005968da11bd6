#include "tests/win32/boxes.h"

#include <cstring>

namespace {

struct Search {
    DWORD pid;
    const char* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == s->pid && std::strcmp(cls, s->cls) == 0 && IsWindowVisible(hwnd))
        s->found.push_back(hwnd);
    return TRUE;
}

// The box's text is its longest static; the icon is a static without text.
BOOL CALLBACK LongestStatic(HWND hwnd, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    auto* best = reinterpret_cast<std::string*>(lp);
    if (_stricmp(cls, "Static") == 0) {
        std::string t = WindowText(hwnd);
        if (t.size() > best->size()) *best = t;
    }
    return TRUE;
}

} // namespace

// Asked of the window itself (GetWindowText gives only the caption of another process's
// window), as UTF-16, then in the code page ("?" where it can't).
std::string WindowText(HWND hwnd) {
    auto n = static_cast<size_t>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::wstring w(n + 1, L'\0');
    w.resize(static_cast<size_t>(
        SendMessageW(hwnd, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(w.data()))));
    std::string t(w.size() * 2 + 1, '\0');
    t.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, w.data(),
                                                     static_cast<int>(w.size()), t.data(),
                                                     static_cast<int>(t.size()), "?", nullptr)));
    return t;
}

std::vector<HWND> FindWindowsOf(DWORD pid, const char* cls) {
    Search s{pid, cls, {}};
    EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

SeenBox ReadBox(HWND box) {
    SeenBox b;
    EnumChildWindows(box, LongestStatic, reinterpret_cast<LPARAM>(&b.text));
    b.caption = WindowText(box);
    b.owner = GetWindow(box, GW_OWNER);
    return b;
}

void DismissBox(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}
