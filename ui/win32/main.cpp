// Start-up: the window, the message loop, then the end of the process with exit code 0.
#include "ui/win32/window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CreateMainWindow(instance);
    RunMessageLoop();
    ExitProcess(0);
}
