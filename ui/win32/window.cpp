#include "ui/win32/window.h"

#include "commands/controller.h"
#include "commands/texts.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "ui/layout.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <memory>
#include <string>

HWND glMainWnd = nullptr;

namespace {

constexpr char kClassName[] = "NORMAL0";
// A function the controller posted to the window's thread (lParam).
constexpr UINT kMsgRun = WM_APP + 1;

// The window class and styles of each kind of control.
struct Kind {
    const char* cls;
    DWORD exStyle, style;
};
constexpr Kind kKinds[] = {
    {"BUTTON", 0, WS_TABSTOP}, {"STATIC", 0, 0}, {"EDIT", WS_EX_CLIENTEDGE, WS_TABSTOP}};

HWND Item(int id) {
    return GetDlgItem(glMainWnd, id);
}

// Whether a window is a box of ours: a dialog owned by the main window. The main window itself
// is activated again as the box closes, and must never be put above other programs.
bool IsOurBox(HWND hwnd) {
    char cls[16] = {};
    return GetClassNameA(hwnd, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0 &&
           GetWindow(hwnd, GW_OWNER) == glMainWnd;
}

// A box owned by the window, the name field focused again afterwards. With MB_TOPMOST it is
// put on top as it opens: Wine does not do that for the flag, Windows already has.
int ShowBox(const char* text, const char* caption, UINT flags) {
    HHOOK hook = flags & MB_TOPMOST
                     ? SetWindowsHookExA(WH_CBT, KeepBoxOnTop, nullptr, GetCurrentThreadId())
                     : nullptr;
    int answer = MessageBoxA(glMainWnd, text, caption, flags);
    if (hook) UnhookWindowsHookEx(hook);
    SetFocus(Item(kIdNewName));
    return answer;
}

// The taskbar's interface, let go when the window goes.
struct ComRelease {
    void operator()(IUnknown* p) const { p->Release(); }
};

// What the window gives the job controller.
class WinPort : public KwWindowPort {
  public:
    HFONT font = nullptr;
    HBRUSH brush = nullptr;
    std::unique_ptr<ITaskbarList3, ComRelease> taskbar; // where Windows has it (7 and later)

    void Box(const std::string& text, KwBox kind) override {
        static const UINT kFlags[] = {MB_TOPMOST, MB_TOPMOST, MB_TOPMOST | MB_ICONWARNING, MB_OK};
        ShowBox(text.c_str(), kind == kBoxWriteFailed ? "" : kTxtCaption, kFlags[kind]);
    }
    bool Ask(const std::string& question, KwQuestion kind) override {
        std::string text = question + "\r\n" + (kind == kAskCode ? kCodeAsk : kReplaceAsk);
        return ShowBox(text.c_str(), kTxtCaption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TOPMOST) == IDYES;
    }
    void Busy(bool busy) override {
        EnableWindow(Item(kIdExecute), !busy);
        if (busy) SetFocus(Item(kIdNewName));
        if (busy) Show(true);
    }
    void Ended() override { Show(false); }
    // The job in the title, the taskbar and the pointer, which shows it at once where it is
    // over the window, not at its next move.
    void Show(bool running) {
        waiting = running;
        SetWindowTextA(glMainWnd, running ? KwBusyTitle(0, 0).c_str() : kWindowTitle);
        if (taskbar) taskbar->SetProgressState(glMainWnd, running ? TBPF_NORMAL : TBPF_NOPROGRESS);
        POINT at;
        if (GetCursorPos(&at) && GetAncestor(WindowFromPoint(at), GA_ROOT) == glMainWnd)
            SetCursor(LoadCursorA(nullptr, running ? IDC_WAIT : IDC_ARROW));
    }
    bool waiting = false; // the pointer waits
    void Progress(size_t done, size_t total) override {
        SetWindowTextA(glMainWnd, KwBusyTitle(done, total).c_str());
        if (taskbar) taskbar->SetProgressValue(glMainWnd, done, total);
    }
    // The call is the message's own: freed once run, or at once where it can't be posted.
    void Post(std::function<void()> fn) override {
        auto call = std::make_unique<std::function<void()>>(std::move(fn));
        if (PostMessageW(glMainWnd, kMsgRun, 0, reinterpret_cast<LPARAM>(call.get())))
            call.release();
    }
    void Label(const std::string& name) override {
        SendMessageA(Item(kIdOldName), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ShowWindow(Item(kIdOldName), name.empty() ? SW_HIDE : SW_SHOWNORMAL);
        SetFocus(Item(kIdNewName));
    }
    void Close() override { DestroyWindow(glMainWnd); }
};

WinPort gPort;
// The job runs on a thread of its own so that the window stays alive: it repaints, moves and
// answers the system while the copy is made, and takes no command, drop or close meanwhile.
KwController gController(&gPort, &gPort);

void OnCreate(HWND hwnd) {
    glMainWnd = hwnd;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const ControlSpec& c : kControlSpecs) {
        const Kind& k = kKinds[c.kind];
        DWORD style = WS_CHILD | k.style | (c.visible ? WS_VISIBLE : 0);
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
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(gPort.font), FALSE);
    }
}

void OnDestroy() {
    gPort.taskbar.reset();
    DeleteObject(gPort.font);
    DeleteObject(gPort.brush);
    gPort.font = nullptr;
    gPort.brush = nullptr;
    PostQuitMessage(0);
}

// The button, Enter in the name field (the dialog manager's IDOK) and Space on the button.
void OnCommand(WPARAM wParam) {
    if ((LOWORD(wParam) == kIdExecute || LOWORD(wParam) == IDOK) && HIWORD(wParam) == BN_CLICKED)
        OnExecute();
}

void OnClose(HWND hwnd) {
    if (gController.MayClose()) DestroyWindow(hwnd);
}

LRESULT OnSetCursor(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!gPort.waiting) return DefWindowProcA(hwnd, msg, wParam, lParam);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return TRUE;
}

void OnRun(LPARAM fn) {
    std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(fn));
    (*call)();
}

// The path given as it truly is: a best-fit form of a name would name another folder.
void TakeFolder(const std::wstring& wide) {
    std::string path;
    bool exact = KwFromWide(wide, &path);
    gController.Drop(path, exact);
}

LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_COMMAND: OnCommand(wParam); return 0;
    case WM_CLOSE: OnClose(hwnd); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_SETCURSOR: return OnSetCursor(hwnd, msg, wParam, lParam);
    case WM_SETFOCUS: SetFocus(Item(kIdNewName)); return 0; // typing goes to the name
    case kMsgRun: OnRun(lParam); return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

LRESULT CALLBACK KeepBoxOnTop(int code, WPARAM wParam, LPARAM lParam) {
    auto hwnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && IsOurBox(hwnd))
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Nothing thrown gets into the system's code: it is said, and the window goes on.
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        return Dispatch(hwnd, msg, wParam, lParam);
    } catch (...) {
        ShowBox(KwSay(kTxtUnexpected), kTxtCaption, MB_TOPMOST);
        return 0;
    }
}

void OnDropFiles(HDROP drop) {
    // The whole first path, however long, and as it truly is: a cut one, or a best-fit form
    // of a name, would name another folder.
    UINT len = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring wide(len, L'\0');
    DragQueryFileW(drop, 0, wide.data(), len + 1);
    DragFinish(drop);
    TakeFolder(wide);
}

void OnExecute() {
    HWND edit = Item(kIdNewName);
    int len = GetWindowTextLengthW(edit);
    std::wstring wide(static_cast<size_t>(len) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(edit, wide.data(), len + 1)));
    std::string typed(wide.size() * 3, '\0');
    typed.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), typed.data(),
                            static_cast<int>(typed.size()), nullptr, nullptr)));
    gController.Execute(typed);
}

HWND CreateMainWindow(HINSTANCE instance, const PlatArg* folder) {
    INITCOMMONCONTROLSEX icc = {8, 0xFF};
    InitCommonControlsEx(&icc);
    gPort.font =
        CreateFontA(-kFontPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                    OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_SWISS, kFontFace);
    gPort.brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));

    // The program's own icon, in the title bar, on the taskbar and in Alt+Tab.
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = gPort.brush;
    wc.lpszClassName = kClassName;
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExA(&wc);

    HWND hwnd = CreateWindowExA(WS_EX_ACCEPTFILES, kClassName, kWindowTitle,
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    // The taskbar button shows a job's progress where Windows has the interface.
    ITaskbarList3* taskbar = nullptr;
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) &&
        SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList3, reinterpret_cast<void**>(&taskbar)))) {
        gPort.taskbar.reset(taskbar);
        if (FAILED(taskbar->HrInit())) gPort.taskbar.reset();
    }
    if (hwnd) {
        SetFocus(Item(kIdNewName));
        // A folder given on the command line (dropped on the program's icon, Send To).
        if (folder) gController.Drop(folder->text, folder->exact);
    }
    return hwnd;
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    // The wide calls: typed characters reach the edit field as UTF-16, not converted to the
    // code page on the way. The dialog manager moves the focus with Tab and presses the
    // button with Enter.
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        if (IsDialogMessageW(glMainWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}
