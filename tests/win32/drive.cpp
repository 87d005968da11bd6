// The Win32 driver: the real kestrelwick.exe, started as Explorer starts it for a folder
// dropped on its icon, driven from this process as a user would (keyboard events, drops made
// as the shell makes them), through the window scenario; then a long job, watched while it
// runs, whose copy is compared with kestrelwick-cli.exe's. Pictures before, during and after.
//   kw_drive OUTDIR PROJECT_FOLDER   (scripts/screenshots)
#include "commands/texts.h"
#include "engine/texts.h"
#include "tests/win32/native.h"
#include "tests/window.h"
#include "ui/layout.h"
#include "ui/win32/window.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

namespace {

std::string gOut, gProject, gBin;

template <typename F> bool WaitFor(F ready, int ms) {
    for (int waited = 0; !ready() && waited < ms; waited += 20)
        Sleep(20);
    return ready();
}

// Asked of the window itself (GetWindowText gives only the caption of another process's
// window), as UTF-16, then in the code page.
std::wstring WideText(HWND hwnd) {
    std::wstring w(static_cast<size_t>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    w.resize(static_cast<size_t>(
        SendMessageW(hwnd, WM_GETTEXT, w.size(), reinterpret_cast<LPARAM>(w.data()))));
    return w;
}
std::string Text(HWND hwnd) {
    std::wstring w = WideText(hwnd);
    std::string t(w.size() * 2, '\0');
    t.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, w.data(),
                                                     static_cast<int>(w.size()), t.data(),
                                                     static_cast<int>(t.size()), "?", nullptr)));
    return t;
}

// The visible top-level windows of class `cls` in process `pid`, or the children of class
// `cls` of a window.
std::vector<HWND> WindowsOf(DWORD pid, const char* cls, HWND parent = nullptr) {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(parent, w, cls, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if ((parent || owner == pid) && IsWindowVisible(w)) found.push_back(w);
    }
    return found;
}

// What the screen shows in `rc`, as 32-bit BGRA rows from the top.
std::string Grab(RECT rc) {
    LONG w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi = {sizeof bi, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string px(static_cast<size_t>(4 * w * h), '\0');
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), px.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

// The screen inside `rc`, as a BMP (32 bits, top-down).
void SaveScreen(RECT rc, const std::string& file) {
    LONG w = rc.right - rc.left, h = rc.bottom - rc.top;
    BITMAPINFOHEADER bi = {sizeof bi, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string px = Grab(rc);
    DWORD head = sizeof(BITMAPFILEHEADER) + sizeof bi;
    BITMAPFILEHEADER fh = {0x4D42, head + static_cast<DWORD>(px.size()), 0, 0, head};
    WriteFile(file, std::string(reinterpret_cast<char*>(&fh), sizeof fh) +
                        std::string(reinterpret_cast<char*>(&bi), sizeof bi) + px);
}

// The warning icon is the yellow one: icons are the other process's, so it is told by sight.
bool ShowsWarning(HWND box) {
    for (HWND c : WindowsOf(0, "Static", box)) {
        if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        RECT rc;
        GetWindowRect(c, &rc);
        std::string px = Grab(rc);
        size_t yellow = 0;
        for (size_t k = 0; k + 3 < px.size(); k += 4) {
            auto b = static_cast<unsigned char>(px[k]), g = static_cast<unsigned char>(px[k + 1]),
                 r = static_cast<unsigned char>(px[k + 2]);
            yellow += r > 180 && g > 140 && b < 90;
        }
        if (yellow * 8 > px.size() / 4) return true; // an eighth of the icon
    }
    return false;
}

class Win32Driver : public WindowDriver {
  public:
    PROCESS_INFORMATION pi{};
    HWND main = nullptr;

    // Started by itself, or as Explorer starts it for a folder dropped on its icon.
    explicit Win32Driver(const std::string& folder) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + gBin + "\\kestrelwick.exe\"";
        if (!folder.empty()) cmd += " \"" + folder + "\"";
        if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &pi))
            return;
        WaitFor([&] { return !WindowsOf(pi.dwProcessId, "NORMAL0").empty(); }, 30000);
        main = WindowsOf(pi.dwProcessId, "NORMAL0").at(0);
    }
    ~Win32Driver() override {
        TerminateProcess(pi.hProcess, 1); // when a test ended early
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    HWND Item(int id) { return GetDlgItem(main, id); }
    std::vector<HWND> OpenBoxes() { return WindowsOf(pi.dwProcessId, "#32770"); }

    // Keyboard events: a key, then each character as an input method gives it.
    void Keys(WORD key, const std::wstring& text) {
        std::vector<INPUT> in(2 * (text.size() + 1));
        for (size_t k = 0; k < in.size(); ++k) {
            in[k].type = INPUT_KEYBOARD;
            in[k].ki.wVk = k < 2 ? key : 0;
            in[k].ki.wScan = k < 2 ? 0 : text[k / 2 - 1];
            in[k].ki.dwFlags = (k % 2 ? KEYEVENTF_KEYUP : 0) | (k < 2 ? 0 : KEYEVENTF_UNICODE);
        }
        SetForegroundWindow(main);
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
        Sleep(150);
    }
    // Every box that opens within `ms`, or later in the same job, read and answered.
    std::vector<SeenBox> Boxes(int ms) {
        std::vector<SeenBox> seen;
        while (WaitFor([&] { return !OpenBoxes().empty(); }, ms)) {
            HWND box = OpenBoxes()[0];
            Sleep(50);
            HWND no = GetDlgItem(box, IDNO);
            SeenBox b{"",
                      ::Text(box),
                      GetWindow(box, GW_OWNER) == main,
                      (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
                      no && (GetWindowLongA(no, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON,
                      ShowsWarning(box),
                      ::Text(main),
                      IsWindowEnabled(Item(kIdExecute)) != FALSE};
            for (HWND c : WindowsOf(0, "Static", box)) // the text is the box's longest static
                if (::Text(c).size() > b.text.size()) b.text = ::Text(c);
            seen.push_back(b);
            // The questions and the failure, as a user sees them.
            RECT rc;
            GetWindowRect(box, &rc);
            for (const auto& [head, file] : {std::pair{&kTxtCodeHead, "question-code"},
                                             std::pair{&kTxtReplaceHead, "question-replace"},
                                             std::pair{&kTxtFailedHead, "failure"}})
                if (b.text.rfind(KwSay(*head), 0) == 0) SaveScreen(rc, gOut + "\\" + file + ".bmp");
            PostMessageA(box, WM_COMMAND, no ? (yes ? IDYES : IDNO) : IDOK, 0);
            WaitFor([&] { return !IsWindow(box); }, 5000);
            // A yes lets the job go on to its end and its box, however slow the machine: wait
            // for the next box or for ③ to be pressable again, then a moment for a stray one.
            WaitFor(
                [&] {
                    return !OpenBoxes().empty() || !IsWindow(main) ||
                           IsWindowEnabled(Item(kIdExecute));
                },
                30000);
            ms = 300;
        }
        return seen;
    }
    std::vector<SeenBox> Drop(const std::vector<std::string>& paths) override {
        // The HDROP lives in the other process: a fixed block there is its own handle.
        std::wstring files;
        for (const std::string& p : paths)
            files += Wide(p) + L'\0';
        DROPFILES df = {sizeof df, {}, FALSE, TRUE};
        std::string block =
            std::string(reinterpret_cast<char*>(&df), sizeof df) +
            std::string(reinterpret_cast<const char*>(files.c_str()), (files.size() + 1) * 2);
        void* remote =
            VirtualAllocEx(pi.hProcess, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(pi.hProcess, remote, block.data(), block.size(), nullptr);
        PostMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
        return Boxes(1000);
    }
    void Type(const std::string& utf8) override {
        SendMessageA(Item(kIdNewName), EM_SETSEL, 0, -1);
        std::wstring text = Wide(utf8, CP_UTF8);
        Keys(VK_DELETE, text);
        WaitFor([&] { return WideText(Item(kIdNewName)) == text; }, 10000); // a slow machine
    }
    std::vector<SeenBox> Key(int key) override {
        int focus = Focus();
        Keys(key == kKeyEnter ? VK_RETURN : key == kKeyTab ? VK_TAB : VK_SPACE, L"");
        if (key == kKeyTab) WaitFor([&] { return Focus() != focus; }, 10000);
        return Boxes(key == kKeyTab ? 300 : 30000);
    }
    std::vector<SeenBox> Press() override {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED), 0);
        return Boxes(30000);
    }
    std::string Label() override {
        return IsWindowVisible(Item(kIdOldName)) ? ::Text(Item(kIdOldName)) : "";
    }
    std::string Text(int id) override { return ::Text(Item(id)); }
    int Focus() override {
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(pi.dwThreadId, &gui);
        return gui.hwndFocus ? GetDlgCtrlID(gui.hwndFocus) : 0;
    }
    std::vector<int> Geometry(int id) override {
        RECT r;
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    RECT Rect() {
        RECT r;
        GetWindowRect(main, &r);
        return r;
    }
};

TEST(Window, Scenario) {
    Win32Driver d("");
    ASSERT_NE(d.main, nullptr);
    EXPECT_EQ(d.Text(kIdStep1).substr(0, 2), "\x87\x40"); // ① in CP932, as Windows shows it
    std::string root = gOut + "\\work\\scenario";
    CreateDirectoryA(root.c_str(), nullptr);
    RunWindowScenario(&d, root);
    PostMessageA(d.main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(d.pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(d.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

// Started with a folder, the window shows its name, with the name field focused; it stays alive
// while a job of a few hundred MB runs: it answers within a second, every 200 ms, and a second
// press and a drop change nothing. Its copy is the command line's.
TEST(Window, AliveDuringALongJob) {
    Win32Driver d(gProject);
    ASSERT_NE(d.main, nullptr);
    WaitFor([&] { return !d.Label().empty(); }, 10000); // shown as soon as made, then started
    EXPECT_EQ(d.Label(), "SampleApp");
    EXPECT_EQ(d.Focus(), kIdNewName);
    d.Type(reinterpret_cast<const char*>(u8"サンプル改"));
    std::string typed = d.Text(kIdNewName); // in the code page
    ASSERT_FALSE(typed.empty());
    SaveScreen(d.Rect(), gOut + "\\before.bmp");
    PostMessageA(d.main, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED), 0);
    DWORD longest = 0, checks = 0, copying = 0, start = GetTickCount();
    for (; d.OpenBoxes().empty(); Sleep(200), ++checks) {
        DWORD t0 = GetTickCount();
        DWORD_PTR result;
        ASSERT_TRUE(SendMessageTimeoutA(d.main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result))
            << "no answer";
        longest = std::max(longest, GetTickCount() - t0);
        // Once the files are counted: ③ disabled and the progress in the title; a second press
        // and a drop change nothing.
        std::string title = ::Text(d.main);
        if (title.find(" - \x83\x52\x83\x73\x81\x5B\x92\x86 ") == std::string::npos ||
            copying++) // " - コピー中 " in CP932
            continue;
        EXPECT_FALSE(IsWindowEnabled(d.Item(kIdExecute)));
        PostMessageA(d.main, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED), 0);
        PostMessageA(d.main, WM_DROPFILES, 0, 0);
        SaveScreen(d.Rect(), gOut + "\\busy.bmp");
    }
    std::printf("job: %lu ms, %lu checks, %lu while copying, longest answer %lu ms\n",
                GetTickCount() - start, checks, copying, longest);
    EXPECT_GE(copying, 2u) << "the copy ended too soon to be watched";
    Sleep(300);
    RECT both = d.Rect(), box;
    GetWindowRect(d.OpenBoxes()[0], &box);
    UnionRect(&both, &both, &box);
    SaveScreen(both, gOut + "\\after.bmp");
    std::vector<SeenBox> seen = d.Boxes(1500); // one job: one box
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.rfind(KwSay(kTxtDone), 0), 0u);
    EXPECT_TRUE(seen[0].owned);
    EXPECT_EQ(d.Label(), "SampleApp");
    EXPECT_TRUE(IsWindowEnabled(d.Item(kIdExecute)));
    EXPECT_EQ(::Text(d.main), kWindowTitle);

    std::string parent = gProject.substr(0, gProject.rfind('\\'));
    std::string copy = parent + "\\" + typed, aside = parent + "\\by-window";
    ASSERT_TRUE(MoveFileA(copy.c_str(), aside.c_str()));
    std::string cmd =
        "\"" + gBin + "\\kestrelwick-cli.exe\" \"" + gProject + "\" \"" + typed + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION cli{};
    ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &si, &cli));
    ASSERT_EQ(WaitForSingleObject(cli.hProcess, 120000), WAIT_OBJECT_0);
    // File by file: the whole of both would not fit a 32-bit process.
    int files = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((aside + "\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &fd))
        EXPECT_TRUE((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                    (++files &&
                     ReadFile(aside + "\\" + fd.cFileName) == ReadFile(copy + "\\" + fd.cFileName)))
            << fd.cFileName << " differs from the command line's copy";
    FindClose(h);
    EXPECT_GT(files, 9);

    // Closed during a job, it waits for the job's end and its box, then ends with 0.
    d.Type("Other");
    PostMessageA(d.main, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(d.Item(kIdExecute)); }, 10000));
    PostMessageA(d.main, WM_CLOSE, 0, 0);
    Sleep(200);
    EXPECT_TRUE(IsWindowVisible(d.main) || !d.OpenBoxes().empty()) << "gone before its job";
    seen = d.Boxes(60000);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.rfind(KwSay(kTxtDone), 0), 0u);
    ASSERT_EQ(WaitForSingleObject(d.pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(d.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    // The copy of a job closed on is whole.
    EXPECT_EQ(ReadFile(parent + "\\Other\\movie.avi"), ReadFile(gProject + "\\movie.avi"));
    std::string pj = ReadFile(gProject + "\\SampleApp.pj");
    size_t names = 0;
    for (size_t at = pj.find("SampleApp"); at != std::string::npos;
         at = pj.find("SampleApp", at + 1))
        ++names;
    EXPECT_EQ(ReadFile(parent + "\\Other\\Other.pj").size(), pj.size() - 4 * names);
}

// The hook that keeps boxes on top puts a box of the main window there and nothing else: the
// main window is activated again as a box closes, and must stay among the other programs.
TEST(Window, OnlyItsBoxesOnTop) {
    HWND main = CreateMainWindow(GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(main, nullptr);
    HWND box =
        CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 9, 9, main, nullptr, nullptr, nullptr);
    HWND other =
        CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    for (HWND w : {main, box, other})
        KeepBoxOnTop(HCBT_ACTIVATE, reinterpret_cast<WPARAM>(w), 0);
    auto topmost = [](HWND w) { return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_FALSE(topmost(main));
    EXPECT_TRUE(topmost(box));
    EXPECT_FALSE(topmost(other));
    DestroyWindow(other);
    DestroyWindow(main);
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 3) return 2;
    gOut = argv[1], gProject = argv[2];
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    gBin = self;
    gBin = gBin.substr(0, gBin.rfind('\\'));
    gBin = gBin.substr(0, gBin.rfind('\\'));
    return RUN_ALL_TESTS();
}
