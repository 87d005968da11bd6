// Start-up: the window, the message loop, then the end of the process with exit code 0.
#include "ui/options.h"
#include "ui/win32/window.h"

#include <cstring>

namespace {

// A program without a console of its own writes to the one it was started from, if any.
void Say(const std::string& text, DWORD which) {
    if (text.empty()) return;
    HANDLE h = GetStdHandle(which);
    if ((!h || h == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        h = GetStdHandle(which);
    DWORD put = 0;
    if (h && h != INVALID_HANDLE_VALUE)
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::vector<PlatArg> args = PlatCommandLine(0, nullptr);
    KwWindowStart start = KwWindowOptions(args);
    Say(start.say, STD_OUTPUT_HANDLE);
    Say(start.error, STD_ERROR_HANDLE);
    if (start.exit >= 0) ExitProcess(static_cast<UINT>(start.exit));
    CreateMainWindow(instance, start.folder);
    RunMessageLoop();
    ExitProcess(0);
}
