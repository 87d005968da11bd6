// Finding the message boxes of a process while they are open, reading and dismissing them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeenBox {
    std::string text, caption;
    HWND owner;
};

// The visible top-level windows of class `cls` in process `pid`.
std::vector<HWND> FindWindowsOf(DWORD pid, const char* cls);
// The open message boxes (dialogs of class #32770) of process `pid`.
inline std::vector<HWND> FindBoxes(DWORD pid) {
    return FindWindowsOf(pid, "#32770");
}
SeenBox ReadBox(HWND box);
void DismissBox(HWND box);
std::string WindowText(HWND hwnd);
