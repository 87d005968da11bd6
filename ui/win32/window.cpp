#include "ui/win32/window.h"

#include "engine/texts.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "ui/commands.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <string>

HWND glMainWnd = nullptr;
HFONT glFont = nullptr;
HBRUSH glBrush = nullptr;

namespace {

constexpr char kClassName[] = "NORMAL0";
// From the job's thread: it has ended; files done (wParam) of planned (lParam); a box to show
// (wParam: its Box arguments), which the job waits for.
constexpr UINT kMsgJobEnded = WM_APP + 1;
constexpr UINT kMsgProgress = WM_APP + 2;
constexpr UINT kMsgBox = WM_APP + 3;

// The window class and styles of each kind of control.
struct Kind {
    const char* cls;
    DWORD exStyle;
};
constexpr Kind kKinds[] = {{"BUTTON", 0}, {"STATIC", 0}, {"EDIT", WS_EX_CLIENTEDGE}};

// The job runs on a thread of its own so that the window stays alive: it repaints, moves and
// answers the system while the copy is made, and takes no command, drop or close meanwhile.
KwJob gJob;
bool gBusy = false;
bool gClosePending = false;
DWORD gWindowThread = 0;
ITaskbarList3* gTaskbar = nullptr; // where Windows has it (7 and later)
PlatCalls gDirect;                 // the calls as the platform makes them

struct BoxArgs {
    const char* text;
    const char* caption;
    unsigned flags;
};

// Boxes of the job are shown by the window's thread, owned by the window as always.
void Box(const char* text, const char* caption, unsigned flags) {
    BoxArgs args{text, caption, flags};
    if (GetCurrentThreadId() == gWindowThread)
        gDirect.Box(text, caption, flags);
    else
        SendMessageA(glMainWnd, kMsgBox, reinterpret_cast<WPARAM>(&args), 0);
}

void Progress(size_t done, size_t total) {
    PostMessageA(glMainWnd, kMsgProgress, done, static_cast<LPARAM>(total));
}

void JobEnded() {
    PostMessageA(glMainWnd, kMsgJobEnded, 0, 0);
}

HWND Edit() {
    return GetDlgItem(glMainWnd, kIdNewName);
}

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

void OnClose(HWND hwnd) {
    if (gBusy)
        gClosePending = true; // the copy is never left half-built by the window
    else
        DestroyWindow(hwnd);
}

void OnProgress(WPARAM done, LPARAM total) {
    if (gTaskbar && gBusy)
        gTaskbar->SetProgressValue(glMainWnd, done, static_cast<ULONGLONG>(total));
}

void OnJobEnded() {
    gBusy = false;
    if (gTaskbar) gTaskbar->SetProgressState(glMainWnd, TBPF_NOPROGRESS);
    POINT at;
    if (GetCursorPos(&at) && GetAncestor(WindowFromPoint(at), GA_ROOT) == glMainWnd)
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    FinishExecute(&gJob);
    if (gClosePending) DestroyWindow(glMainWnd);
}

LRESULT OnSetCursor(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!gBusy) return DefWindowProcA(hwnd, msg, wParam, lParam);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return TRUE;
}

// The path given as it truly is: the label shows the name it gives, and typing goes to the
// name field.
void TakeFolder(const std::wstring& wide) {
    std::string path;
    if (!KwFromWide(wide, &path)) {
        glPlat.Box(kTxtDropNotCp932, kTxtCaption, kBoxTopmost);
        return;
    }
    HWND label = GetDlgItem(glMainWnd, kIdOldName);
    SendMessageA(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(OnDropPath(path).c_str()));
    ShowWindow(label, SW_SHOWNORMAL);
    SetFocus(Edit());
}

} // namespace

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_COMMAND: OnCommand(wParam); return 0;
    case WM_CLOSE: OnClose(hwnd); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SETCURSOR: return OnSetCursor(hwnd, msg, wParam, lParam);
    case WM_SETFOCUS: SetFocus(Edit()); return 0; // back from a box: typing goes to the name
    case kMsgProgress: OnProgress(wParam, lParam); return 0;
    case kMsgJobEnded: OnJobEnded(); return 0;
    case kMsgBox: {
        auto* b = reinterpret_cast<BoxArgs*>(wParam);
        gDirect.Box(b->text, b->caption, b->flags);
        return 0;
    }
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
    if (!gBusy) TakeFolder(wide);
}

void OnExecute() {
    if (gBusy) return; // one job at a time
    int len = GetWindowTextLengthW(Edit());
    std::wstring wide(static_cast<size_t>(len) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(Edit(), wide.data(), len + 1)));
    std::string typed;
    bool exact = KwFromWide(wide, &typed);
    if (!StartExecute(exact ? typed : std::string("?"), exact, &gJob, JobEnded)) return;
    gBusy = true;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (gTaskbar) gTaskbar->SetProgressState(glMainWnd, TBPF_NORMAL);
}

bool IsJobRunning() {
    return gBusy;
}

HWND CreateMainWindow(HINSTANCE instance) {
    gWindowThread = GetCurrentThreadId();
    gDirect = glPlat;
    glPlat.Box = Box;
    glKwProgress = Progress;
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

    HWND hwnd = CreateWindowExA(WS_EX_ACCEPTFILES, kClassName, kWindowTitle,
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    // The taskbar button shows a job's progress where Windows has the interface.
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) &&
        SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList3, reinterpret_cast<void**>(&gTaskbar))) &&
        FAILED(gTaskbar->HrInit())) {
        gTaskbar->Release();
        gTaskbar = nullptr;
    }
    if (hwnd) {
        SetFocus(Edit());
        // A folder given on the command line (dropped on the program's icon, Send To) is
        // taken as if it had been dropped first; other arguments are ignored.
        int n = 0;
        LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &n);
        if (args && n > 1) TakeFolder(args[1]);
        LocalFree(args);
    }
    return hwnd;
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
