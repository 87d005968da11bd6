// The real main window, made by the start-up code in this process and driven by messages, as
// Windows would send them. A second thread reads and dismisses the real message boxes.
#include "engine/state.h"
#include "engine/texts.h"
#include "tests/support.h"
#include "tests/win32/boxes.h"
#include "ui/win32/window.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

std::mutex gSeenLock;
std::vector<SeenBox> gSeen;
std::atomic<bool> gWatching{false};
std::thread gWatcher;
std::vector<unsigned> gFlags; // as passed to MessageBoxA
PlatCalls gReal;

void Watch() {
    while (gWatching) {
        for (HWND box : FindBoxes(GetCurrentProcessId())) {
            Sleep(50); // let it finish drawing, as a user would
            SeenBox b = ReadBox(box);
            {
                std::lock_guard<std::mutex> lock(gSeenLock);
                gSeen.push_back(b);
            }
            DismissBox(box);
            while (IsWindow(box) && gWatching)
                Sleep(10);
        }
        Sleep(20);
    }
}

class Window : public TempTest {
  protected:
    static void SetUpTestSuite() {
        ASSERT_NE(CreateMainWindow(GetModuleHandleA(nullptr)), nullptr)
            << "CreateMainWindow failed, error " << GetLastError();
        gWatching = true;
        gWatcher = std::thread(Watch);
    }
    static void TearDownTestSuite() {
        gWatching = false;
        gWatcher.join();
    }
    void SetUp() override {
        TempTest::SetUp();
        // The real MessageBoxA, noting the flags: Wine does not show MB_TOPMOST in the
        // box's styles.
        gReal = saved_;
        gFlags.clear();
        glPlat.Box = [](const char* text, const char* caption, unsigned flags) {
            gFlags.push_back(flags);
            gReal.Box(text, caption, flags);
        };
        std::lock_guard<std::mutex> lock(gSeenLock);
        gSeen.clear();
    }

    static HWND Item(int id) { return GetDlgItem(glMainWnd, id); }

    // An HDROP as the shell makes it: DROPFILES, then the UTF-16 paths, then an empty one.
    static void Drop(const std::vector<std::wstring>& paths) {
        size_t size = sizeof(DROPFILES) + sizeof(wchar_t);
        for (const std::wstring& p : paths)
            size += (p.size() + 1) * sizeof(wchar_t);
        HGLOBAL h = GlobalAlloc(GHND, size);
        auto* df = static_cast<DROPFILES*>(GlobalLock(h));
        df->pFiles = sizeof(DROPFILES);
        df->fWide = TRUE;
        auto* at = reinterpret_cast<wchar_t*>(df + 1);
        for (const std::wstring& p : paths) {
            std::memcpy(at, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
            at += p.size() + 1;
        }
        GlobalUnlock(h);
        SendMessageA(glMainWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
    }
    static void Drop(const std::vector<std::string>& paths) {
        std::vector<std::wstring> wide;
        for (const std::string& p : paths) {
            wide.emplace_back(p.size(), L'\0');
            wide.back().resize(static_cast<size_t>(
                MultiByteToWideChar(CP_ACP, 0, p.data(), static_cast<int>(p.size()),
                                    wide.back().data(), static_cast<int>(p.size()))));
        }
        Drop(wide);
    }
    static void Type(const std::string& text) {
        SendMessageA(Item(kIdNewName), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // A press; the job runs on a thread of its own and ends with a message to the window.
    // Until that is taken, the window shows the wait cursor and a second press and a drop
    // change nothing.
    static void Press() {
        auto press = [] {
            SendMessageA(glMainWnd, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED),
                         reinterpret_cast<LPARAM>(Item(kIdExecute)));
        };
        press();
        if (!IsJobRunning()) return;
        std::string label = Label(), drop = glDropPath;
        press();
        Drop(std::vector<std::string>{"C:\\"});
        EXPECT_EQ(Label(), label);
        EXPECT_EQ(glDropPath, drop);
        SendMessageA(glMainWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(glMainWnd),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
        MSG msg;
        while (IsJobRunning() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // The boxes the last command showed; each was open until the watcher closed it.
    static std::vector<SeenBox> Seen() {
        std::lock_guard<std::mutex> lock(gSeenLock);
        std::vector<SeenBox> out;
        out.swap(gSeen);
        return out;
    }
    static void ExpectOneBox(const char* text, const char* what) {
        std::vector<SeenBox> seen = Seen();
        ASSERT_EQ(seen.size(), 1u) << what;
        EXPECT_EQ(seen[0].text, text) << what;
        EXPECT_EQ(seen[0].caption, kTxtCaption) << what;
        EXPECT_EQ(seen[0].owner, glMainWnd) << what;
        ASSERT_EQ(gFlags.size(), 1u) << what;
        EXPECT_EQ(gFlags[0], static_cast<unsigned>(MB_TOPMOST)) << what;
        gFlags.clear();
    }
    static std::string Label() { return WindowText(Item(kIdOldName)); }
};

struct Expected {
    int id;
    const char* cls;
    DWORD exStyle, style;
    RECT rc; // left, top, right, bottom in client pixels
    const char* text;
};

const Expected kLayout[] = {
    {kIdExecute,
     "Button",
     0,
     WS_CHILD | WS_VISIBLE,
     {316, 91, 316 + 363, 91 + 38},
     "③　（‘ v‘）/　実行！（元プロジェクトと同じフォルダ内にできます）"},
    {kIdStep1,
     "Static",
     0,
     WS_CHILD | WS_VISIBLE,
     {15, 13, 15 + 797, 13 + 15},
     "①名前を変えたいプロジェクトのフォルダをドロップしてください。　元のプロジェクトはそのまま残り"
     "ます。"},
    {kIdStep2,
     "Static",
     0,
     WS_CHILD | WS_VISIBLE,
     {13, 61, 13 + 232, 61 + 12},
     "②新しいプロジェクト名を入力してください。→"},
    {kIdNewName,
     "Edit",
     WS_EX_CLIENTEDGE,
     WS_CHILD | WS_VISIBLE,
     {246, 58, 246 + 556, 58 + 21},
     ""},
    {kIdOldCaption,
     "Static",
     0,
     WS_CHILD | WS_VISIBLE,
     {37, 33, 37 + 92, 33 + 21},
     "旧プロジェクト名"},
    {kIdOldName, "Static", 0, WS_CHILD, {131, 32, 131 + 574, 32 + 15}, "Text4"},
};

void ExpectLayout(const char* when) {
    for (const Expected& e : kLayout) {
        HWND c = GetDlgItem(glMainWnd, e.id);
        ASSERT_NE(c, nullptr) << e.id;
        RECT rc;
        GetWindowRect(c, &rc);
        MapWindowPoints(nullptr, glMainWnd, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, e.rc.left) << e.id << " " << when;
        EXPECT_EQ(rc.top, e.rc.top) << e.id << " " << when;
        EXPECT_EQ(rc.right, e.rc.right) << e.id << " " << when;
        EXPECT_EQ(rc.bottom, e.rc.bottom) << e.id << " " << when;
    }
}

TEST_F(Window, StartsAsDescribed) {
    EXPECT_EQ(WindowText(glMainWnd), "Kestrelwick　(ActiveBasic ver4のプロジェクト名変更ソフト）");
    RECT rc;
    GetWindowRect(glMainWnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 840);
    EXPECT_EQ(rc.bottom - rc.top, 178);
    LONG style = GetWindowLongA(glMainWnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_VISIBLE), WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongA(glMainWnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "NORMAL0", &wc));
    EXPECT_EQ(wc.style, 11u);
    EXPECT_EQ(wc.lpfnWndProc, MainWndProc);
    EXPECT_EQ(wc.hIcon, LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(wc.hIconSm, LoadIconA(nullptr, IDI_WINLOGO));
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(wc.hbrBackground, glBrush);
    EXPECT_EQ(wc.lpszMenuName, nullptr);

    LOGFONTA lf = {};
    ASSERT_TRUE(GetObjectA(glFont, sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(lf.lfOutPrecision, 3);
    EXPECT_EQ(lf.lfClipPrecision, 2);
    EXPECT_EQ(lf.lfQuality, 1);
    EXPECT_EQ(lf.lfPitchAndFamily, 32);
    EXPECT_STREQ(lf.lfFaceName, "ＭＳ Ｐゴシック");

    for (const Expected& e : kLayout) {
        HWND c = Item(e.id);
        ASSERT_NE(c, nullptr) << e.id;
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        EXPECT_STREQ(cls, e.cls) << e.id;
        EXPECT_EQ(GetWindowLongA(c, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), e.style) << e.id;
        EXPECT_EQ(GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, e.exStyle) << e.id;
        EXPECT_EQ(WindowText(c), e.text) << e.id;
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)), glFont) << e.id;
    }
    // The circled digits in CP932, as Windows shows them.
    EXPECT_EQ(WindowText(Item(kIdStep1)).substr(0, 2), "\x87\x40");
    EXPECT_EQ(WindowText(Item(kIdStep2)).substr(0, 2), "\x87\x41");
    EXPECT_EQ(WindowText(Item(kIdExecute)).substr(0, 2), "\x87\x42");
    ExpectLayout("at start");
    EXPECT_FALSE(IsWindowVisible(Item(kIdOldName)));
}

TEST_F(Window, ExecuteBeforeAnyDrop) {
    Type("Whatever");
    Press();
    ExpectOneBox(kTxtNoProject, "no drop yet");
    EXPECT_TRUE(glNewPjName.empty()); // the field is not read without an old name
    EXPECT_TRUE(Snapshot(root_).empty());
}

TEST_F(Window, DropTypeExecute) {
    std::string first = MakeProject("First", {{"First.pj", "First"}, {"First.wnd", "First"}});
    std::string second = MakeProject("Second", {{"Second.pj", "Second"}});
    std::string plain = MakeProject("Plain", {{"readme.txt", "no project here"}});

    Drop({first, second}); // several at once: only the first counts
    EXPECT_EQ(Label(), "First");
    EXPECT_TRUE(IsWindowVisible(Item(kIdOldName)));
    EXPECT_EQ(glDropPath, first);

    Type("");
    Press();
    ExpectOneBox(kTxtNoNewName, "empty field");

    Type("Renamed");
    Press();
    ExpectOneBox(kTxtDone, "run");
    EXPECT_EQ(ReadFile(Join(Join(root_, "Renamed"), "Renamed.wnd")), "Renamed");
    EXPECT_NE(std::find(gTrace.begin(), gTrace.end(), "● glNewPjNameRenamed\r\n"), gTrace.end());

    Drop({second}); // a second drop replaces the name
    EXPECT_EQ(Label(), "Second");
    Drop({plain}); // no project file: the name stays
    EXPECT_EQ(Label(), "Second");
    Drop({Join(second, "Second.pj")}); // a file, not a folder
    EXPECT_EQ(Label(), "Second");
    EXPECT_EQ(glDropPath, Join(second, "Second.pj"));
    Type("Other");
    Press();
    ExpectOneBox(kTxtCantList, "a file was dropped last");
    EXPECT_FALSE(Exists(Join(root_, "Other")));
}

TEST_F(Window, RefusalsReachTheUser) {
    std::string dir =
        MakeProject("Proj", {{"Proj.pj", "Proj"}, {"Proj.txt", "a"}, {"Next.txt", "b"}});
    Drop({dir});
    struct Row {
        std::string typed;
        const char* box;
    } rows[] = {
        {"proj", kTxtSameFolder}, // the same folder, in other case
        {"a|b", kTxtBadName},
        {"CON", kTxtBadName},
        {std::string(240, 'n'), kTxtTooLong},
    };
    for (const Row& r : rows) {
        Type(r.typed);
        Press();
        ExpectOneBox(r.box, r.typed.c_str());
    }
    // What the code page can't hold is refused as it is, never taken in a best-fit form.
    SendMessageW(Item(kIdNewName), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Caf\u00e9"));
    Press();
    ExpectOneBox(kTxtNotCp932, "Cafe with an acute accent");
    Drop(std::vector<std::wstring>{L"C:\\Caf\u00e9"});
    ExpectOneBox(kTxtDropNotCp932, "a dropped folder named so");
    EXPECT_EQ(Label(), "Proj");

    Type("Next"); // Proj.txt and Next.txt would both be Next.txt
    Press();
    std::vector<SeenBox> seen = Seen();
    gFlags.clear();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.find(kTxtCollision), 0u);
    EXPECT_EQ(Snapshot(root_).size(), 4u); // the project alone

    // A drive root has no parent to write in.
    glOldPjName = "Proj"; // as if a project had been found there
    Type("Elsewhere");
    glDropPath = "C:\\";
    Press();
    ExpectOneBox(kTxtBadDrop, "a drive root");
}

TEST_F(Window, FailedFilesAreListed) {
    std::string dir = MakeProject("Src", {{"Src.pj", "Src"}, {"Src.ico", "icon"}});
    MakeDir(Join(root_, "Dst"));
    MakeDir(Join(Join(root_, "Dst"), "Dst.ico")); // a folder where the copy should go
    Drop({dir});
    Type("Dst");
    Press();
    std::vector<SeenBox> seen = Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.find(kTxtFailedHead), 0u);
    EXPECT_NE(seen[0].text.find("Src.ico"), std::string::npos);
    EXPECT_EQ(seen[0].owner, glMainWnd);
}

TEST_F(Window, ResizeAndMaximiseKeepTheControls) {
    ShowWindow(glMainWnd, SW_MAXIMIZE);
    ExpectLayout("maximised");
    ShowWindow(glMainWnd, SW_RESTORE);
    SetWindowPos(glMainWnd, nullptr, 0, 0, 400, 120, SWP_NOMOVE | SWP_NOZORDER);
    ExpectLayout("resized");
}

// Last: closing ends the loop with exit code 0 and frees the drawing objects; closed during a
// job, the window waits for the job's end and its box.
TEST_F(Window, CloseEndsTheLoop) {
    std::string dir =
        MakeProject("Big", {{"Big.pj", "Big"}, {"Big.sbp", std::string(16 << 20, 'x')}});
    Drop({dir});
    Type("Small");
    SendMessageA(glMainWnd, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED), 0);
    SendMessageA(glMainWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(glMainWnd));
    EXPECT_EQ(RunMessageLoop(), 0);
    ExpectOneBox(kTxtDone, "closed during a job");
    EXPECT_EQ(ReadFile(Join(Join(root_, "Small"), "Small.pj")), "Small");
    EXPECT_FALSE(IsWindow(glMainWnd));
    EXPECT_EQ(glFont, nullptr);
    EXPECT_EQ(glBrush, nullptr);
}

} // namespace
