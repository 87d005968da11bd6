// Drives a real kestrelwick.exe from outside, as a user would: drops a project folder on it,
// types a new name, presses the execute button, and closes it. Saves pictures of the screen
// before the run and with the completion box open, and checks the exit code.
//   kw_drive OUTDIR PROJECT_FOLDER NEW_NAME
#include "engine/texts.h"
#include "tests/win32/boxes.h"
#include "ui/win32/window.h"

#include <shlobj.h>

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
    if (argc != 4) return Fail("usage: kw_drive OUTDIR PROJECT_FOLDER NEW_NAME");
    std::string outDir = argv[1], project = argv[2], newName = argv[3];
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string exe = self;
    exe = exe.substr(0, exe.rfind('\\'));
    exe = exe.substr(0, exe.rfind('\\')) + "\\kestrelwick.exe";

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
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

    if (!DropInto(pi.hProcess, mainWnd, project)) return Fail("the drop was not taken");
    HWND label = GetDlgItem(mainWnd, kIdOldName);
    if (!IsWindowVisible(label)) return Fail("the old-name label is hidden after the drop");
    std::printf("old name shown: %s\n", WindowText(label).c_str());
    SendMessageA(GetDlgItem(mainWnd, kIdNewName), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(newName.c_str()));
    Sleep(500);
    if (!SaveScreen(Union(mainWnd, nullptr), outDir + "\\before.bmp"))
        return Fail("can't save before.bmp");

    // Posted: the job and its modal box run in the other process.
    PostMessageA(mainWnd, WM_COMMAND, MAKEWPARAM(kIdExecute, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(mainWnd, kIdExecute)));
    HWND box = nullptr;
    if (!WaitFor(
            [&] {
                std::vector<HWND> boxes = FindBoxes(pi.dwProcessId);
                box = boxes.empty() ? nullptr : boxes[0];
                return box != nullptr;
            },
            30000))
        return Fail("no box after the execute button");
    Sleep(500);
    SeenBox seen = ReadBox(box);
    std::printf("box: [%s] %s\n", seen.caption.c_str(), seen.text.c_str());
    if (!SaveScreen(Union(mainWnd, box), outDir + "\\after.bmp"))
        return Fail("can't save after.bmp");
    if (seen.text != kTxtDone || seen.owner != mainWnd) return Fail("not the completion box");
    DismissBox(box);
    WaitFor([&] { return !IsWindow(box); }, 10000);

    PostMessageA(mainWnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
        return Fail("the process did not end after WM_CLOSE");
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("exit code: %lu\n", code);
    return code == 0 ? 0 : Fail("exit code is not 0");
}
