#include "ui/win32/window.h"

#include "engine/texts.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
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
        auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id));
        std::wstring cls, text;
        KwToWide(k.cls, &cls);
        KwToWide(c.text, &text);
        // The edit field keeps what is typed as UTF-16, so that a character the code page
        // lacks is seen as such instead of turning into a best-fit form.
        HWND child = c.kind == kEdit
                         ? CreateWindowExW(k.exStyle, cls.c_str(), text.c_str(), style, c.x, c.y,
                                           c.w, c.h, hwnd, id, instance, nullptr)
                         : CreateWindowExA(k.exStyle, k.cls, c.text, style, c.x, c.y, c.w, c.h,
                                           hwnd, id, instance, nullptr);
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
    // The whole first path, however long, and as it truly is: a cut one, or a best-fit form
    // of a name, would name another folder.
    UINT len = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring wide(len, L'\0');
    DragQueryFileW(drop, 0, wide.data(), len + 1);
    DragFinish(drop);
    std::string path;
    if (!KwFromWide(wide, &path)) {
        glPlat.Box(kTxtDropNotCp932, kTxtCaption, kBoxTopmost);
        return;
    }
    HWND label = GetDlgItem(glMainWnd, kIdOldName);
    SendMessageA(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(OnDropPath(path).c_str()));
    ShowWindow(label, SW_SHOWNORMAL);
}

void OnExecute() {
    HWND edit = GetDlgItem(glMainWnd, kIdNewName);
    int len = GetWindowTextLengthW(edit);
    std::wstring wide(static_cast<size_t>(len) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(edit, wide.data(), len + 1)));
    std::string typed;
    bool exact = KwFromWide(wide, &typed);
    ExecuteCommand(exact ? typed : std::string("?"), exact);
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
    // The wide calls: typed characters reach the edit field as UTF-16, not converted to the
    // code page on the way.
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}
