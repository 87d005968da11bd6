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
constexpr char kTitle[] = "Kestrelwick　(ActiveBasic ver4のプロジェクト名変更ソフト）";

struct Control {
    int id;
    const char* cls;
    DWORD exStyle;
    DWORD style;
    int x, y, w, h;
    const char* text;
};

// In the order of their IDs; positions in client pixels.
constexpr Control kControls[] = {
    {kIdExecute, "BUTTON", 0, WS_CHILD | WS_VISIBLE, 316, 91, 363, 38,
     "③　（‘ v‘）/　実行！（元プロジェクトと同じフォルダ内にできます）"},
    {kIdStep1, "STATIC", 0, WS_CHILD | WS_VISIBLE, 15, 13, 797, 15,
     "①名前を変えたいプロジェクトのフォルダをドロップしてください。　"
     "元のプロジェクトはそのまま残ります。"},
    {kIdStep2, "STATIC", 0, WS_CHILD | WS_VISIBLE, 13, 61, 232, 12,
     "②新しいプロジェクト名を入力してください。→"},
    {kIdNewName, "EDIT", WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE, 246, 58, 556, 21, ""},
    {kIdOldCaption, "STATIC", 0, WS_CHILD | WS_VISIBLE, 37, 33, 92, 21, "旧プロジェクト名"},
    {kIdOldName, "STATIC", 0, WS_CHILD, 131, 32, 574, 15, "Text4"},
};

void OnCreate(HWND hwnd) {
    glMainWnd = hwnd;
    glPlatOwner = hwnd;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const Control& c : kControls) {
        HWND child =
            CreateWindowExA(c.exStyle, c.cls, c.text, c.style, c.x, c.y, c.w, c.h, hwnd,
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
    glFont = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                         OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_SWISS,
                         "ＭＳ Ｐゴシック");
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

    return CreateWindowExA(WS_EX_ACCEPTFILES, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           CW_USEDEFAULT, CW_USEDEFAULT, 840, 178, nullptr, nullptr, instance,
                           nullptr);
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
