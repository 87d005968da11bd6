// Drives a real kestrelwick.exe from outside, as a user would: starts it with a project folder
// on its command line, types a new name on the keyboard, presses the execute button and, while
// the job runs, checks that the window answers, shows the wait cursor and takes no second job
// or drop; then compares the copy with kestrelwick-cli.exe's and closes it. Saves pictures
// before, during and after the job, and checks the exit code.
//   kw_drive OUTDIR PROJECT_FOLDER OTHER_PROJECT NEW_NAME
#include "engine/texts.h"
#include "tests/win32/boxes.h"
#include "ui/win32/window.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "kw_drive: %s\n", what);
    return 1;
}

template <typename F> bool WaitFor(F ready, int ms) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (ready()) return true;
        Sleep(50);
    }
    return ready();
}

// The HDROP lives in the other process: a fixed block there is its own handle.
bool DropInto(HANDLE process, HWND target, const std::string& path) {
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES df = {};
    df.pFiles = sizeof(DROPFILES);
    std::memcpy(block.data(), &df, sizeof df);
    block += path;
    block.append(2, '\0');
    void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(process, remote, block.data(), block.size(), nullptr))
        return false;
    DWORD_PTR result;
    return SendMessageTimeoutA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0,
                               SMTO_BLOCK, 10000, &result) != 0;
}

// The screen inside `rc`, as a 24-bit BMP.
bool SaveScreen(RECT rc, const std::string& file) {
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    std::string pixels(stride * static_cast<DWORD>(h), '\0');
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    return std::fclose(f) == 0;
}

// Text typed as keyboard events, each character as the keyboard of an input method gives it.
void TypeKeys(HWND main, const std::wstring& text) {
    SetForegroundWindow(main);
    for (wchar_t c : text) {
        INPUT in[2] = {};
        for (int k = 0; k < 2; ++k) {
            in[k].type = INPUT_KEYBOARD;
            in[k].ki.wScan = c;
            in[k].ki.dwFlags = KEYEVENTF_UNICODE | (k ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
        Sleep(20);
    }
}

std::wstring Wide(const std::string& ansi) {
    std::wstring w(ansi.size(), L'\0');
    w.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(),
                                                     static_cast<int>(ansi.size()), w.data(),
                                                     static_cast<int>(w.size()))));
    return w;
}

// The one box the process shows next: its text, after waiting for it at most `ms`.
HWND NextBox(DWORD pid, int ms) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            std::vector<HWND> boxes = FindBoxes(pid);
            box = boxes.empty() ? nullptr : boxes[0];
            return box != nullptr;
        },
        ms);
    return box;
}

void Press(HWND main) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, kIdExecute)));
}

// Two folders hold the same files, byte for byte.
bool SameTree(const std::string& a, const std::string& b) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((a + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool same = true;
    int files = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ++files;
        auto read = [](const std::string& path) {
            std::string out;
            FILE* f = std::fopen(path.c_str(), "rb");
            if (!f) return std::string("<missing>");
            char buf[1 << 16];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
                out.append(buf, n);
            std::fclose(f);
            return out;
        };
        same = same && read(a + "\\" + fd.cFileName) == read(b + "\\" + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return same && files > 0;
}

RECT Union(HWND a, HWND b) {
    RECT ra, rb, u;
    GetWindowRect(a, &ra);
    if (!b) return ra;
    GetWindowRect(b, &rb);
    UnionRect(&u, &ra, &rb);
    return u;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) return Fail("usage: kw_drive OUTDIR PROJECT_FOLDER OTHER_PROJECT NEW_NAME");
    std::string outDir = argv[1], project = argv[2], other = argv[3], newName = argv[4];
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string bin = self;
    bin = bin.substr(0, bin.rfind('\\'));
    bin = bin.substr(0, bin.rfind('\\'));

    // Started as Explorer starts it for a folder dropped on its icon.
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + bin + "\\kestrelwick.exe\" \"" + project + "\"";
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return Fail("kestrelwick.exe does not start");
    HWND mainWnd = nullptr;
    auto shown = [&] {
        std::vector<HWND> found = FindWindowsOf(pi.dwProcessId, "NORMAL0");
        mainWnd = found.empty() ? nullptr : found[0];
        return mainWnd != nullptr;
    };
    if (!WaitFor(shown, 30000)) return Fail("no main window");
    // In the middle of the screen, where the box will show, so one picture holds both.
    RECT rc;
    GetWindowRect(mainWnd, &rc);
    SetWindowPos(mainWnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    HWND label = GetDlgItem(mainWnd, kIdOldName), edit = GetDlgItem(mainWnd, kIdNewName);
    std::string oldName = WindowText(label);
    std::printf("old name shown from the command line: %s\n", oldName.c_str());
    if (!IsWindowVisible(label) || oldName.empty()) return Fail("the folder given was not taken");
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(pi.dwThreadId, &gui);
    if (gui.hwndFocus != edit) return Fail("the name field has no focus at start-up");

    // A name the code page can't hold, typed, is refused as it is.
    TypeKeys(mainWnd, L"Caf\u00e9");
    Press(mainWnd);
    HWND box = NextBox(pi.dwProcessId, 10000);
    if (!box || ReadBox(box).text != kTxtNotCp932)
        return Fail("Cafe with an accent was not refused");
    DismissBox(box);
    WaitFor([&] { return !IsWindow(box); }, 10000);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    TypeKeys(mainWnd, Wide(newName));
    if (WindowText(edit) != newName) return Fail("the typed name is not in the field");
    Sleep(300);
    if (!SaveScreen(Union(mainWnd, nullptr), outDir + "\\before.bmp"))
        return Fail("can't save before.bmp");

    // While the job runs: the window answers within a second, every 200 ms; a second press
    // and a drop change nothing.
    Press(mainWnd);
    DWORD longest = 0, checks = 0, start = GetTickCount();
    box = nullptr;
    while (!box) {
        DWORD t0 = GetTickCount();
        DWORD_PTR result;
        if (!SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result))
            return Fail("the window did not answer within 1 s during the job");
        longest = std::max(longest, GetTickCount() - t0);
        if (++checks == 2) {
            Press(mainWnd);
            if (!DropInto(pi.hProcess, mainWnd, other)) return Fail("the drop was not taken");
            SaveScreen(Union(mainWnd, nullptr), outDir + "\\busy.bmp");
        }
        Sleep(200);
        std::vector<HWND> boxes = FindBoxes(pi.dwProcessId);
        box = boxes.empty() ? nullptr : boxes[0];
    }
    std::printf("job: %lu ms, %lu checks, longest answer %lu ms\n", GetTickCount() - start, checks,
                longest);
    if (checks < 2) return Fail("the job ended too soon to be watched");
    Sleep(500);
    SeenBox seen = ReadBox(box);
    std::printf("box: [%s] %s\n", seen.caption.c_str(), seen.text.c_str());
    if (!SaveScreen(Union(mainWnd, box), outDir + "\\after.bmp"))
        return Fail("can't save after.bmp");
    if (seen.text != kTxtDone || seen.owner != mainWnd) return Fail("not the completion box");
    DismissBox(box);
    WaitFor([&] { return !IsWindow(box); }, 10000);
    if (NextBox(pi.dwProcessId, 1500)) return Fail("a second job ran");
    if (WindowText(label) != oldName) return Fail("the drop during the job was taken");

    // The same copy as the command line's.
    std::string parent = project.substr(0, project.rfind('\\'));
    std::string copy = parent + "\\" + newName, aside = parent + "\\by-window";
    if (!MoveFileA(copy.c_str(), aside.c_str())) return Fail("no copy");
    cmd = "\"" + bin + "\\kestrelwick-cli.exe\" \"" + project + "\" \"" + newName + "\"";
    PROCESS_INFORMATION cli = {};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &cli) ||
        WaitForSingleObject(cli.hProcess, 120000) != WAIT_OBJECT_0)
        return Fail("kestrelwick-cli.exe did not run");
    if (!SameTree(aside, copy)) return Fail("the window's copy differs from the command line's");

    PostMessageA(mainWnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
        return Fail("the process did not end after WM_CLOSE");
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit code: %lu\n", code);
    return code == 0 ? 0 : Fail("exit code is not 0");
}
