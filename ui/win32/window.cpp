#include "ui/win32/window.h"

#include "platform/platform.h"
#include "ui/commands.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

HWND glMainWnd = nullptr;
HFONT glFont = nullptr;
HBRUSH glBrush = nullptr;

namespace {

constexpr char kClassName[] = "NORMAL0";
// The window class and styles of each kind of control.
struct Kind {
    const char* cls;
    DWORD exStyle;
};
constexpr Kind kKinds[] = {{"BUTTON", 0}, {"STATIC", 0}, {"EDIT", WS_EX_CLIENTEDGE}};

void OnCreate(HWND hwnd) {
    glMainWnd = hwnd;
    glPlatOwner = hwnd;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const ControlSpec& c : kControlSpecs) {
        const Kind& k = kKinds[c.kind];
        DWORD style = WS_CHILD | (c.visible ? WS_VISIBLE : 0);
        HWND child =
            CreateWindowExA(k.exStyle, k.cls, c.text, style, c.x, c.y, c.w, c.h, hwnd,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(glFont), FALSE);
    }
}

void OnDestroy() {
    DeleteObject(glFont);
    DeleteObject(glBrush);
    glFont = nullptr;
    glBrush = nullptr;
    PostQuitMessage(0);
}

void OnCommand(WPARAM wParam) {
    if (LOWORD(wParam) == kIdExecute && HIWORD(wParam) == BN_CLICKED) OnExecute();
}

} // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_COMMAND: OnCommand(wParam); return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void OnDropFiles(HDROP drop) {
    // The whole first path, however long: a cut one would name another folder.
    UINT len = DragQueryFileA(drop, 0, nullptr, 0);
    std::string path(len, '\0');
    DragQueryFileA(drop, 0, path.data(), len + 1);
    HWND label = GetDlgItem(glMainWnd, kIdOldName);
    SendMessageA(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(OnDropPath(path).c_str()));
    ShowWindow(label, SW_SHOWNORMAL);
    DragFinish(drop);
}

void OnExecute() {
    HWND edit = GetDlgItem(glMainWnd, kIdNewName);
    int len = GetWindowTextLengthA(edit);
    std::string typed(static_cast<size_t>(len), '\0');
    typed.resize(static_cast<size_t>(GetWindowTextA(edit, typed.data(), len + 1)));
    ExecuteCommand(typed);
}

HWND CreateMainWindow(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc = {8, 0xFF};
    InitCommonControlsEx(&icc);
    glFont = CreateFontA(-kFontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                         OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_SWISS, kFontFace);
    glBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = glBrush;
    wc.lpszClassName = kClassName;
    wc.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
    RegisterClassExA(&wc);

    return CreateWindowExA(WS_EX_ACCEPTFILES, kClassName, kWindowTitle,
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}
