// The main window of Kestrelwick on Windows.
#pragma once

#include "platform/platform.h"

#include <windows.h>
#include <shellapi.h>

extern HWND glMainWnd; // owner of every message box

// Start-up up to the message loop: common controls, font, brush, class, main window, and a
// folder given on the command line (nullptr for none), taken as if it had been dropped.
HWND CreateMainWindow(HINSTANCE instance, const PlatArg* folder);

// Runs until the quit message (or an error); returns its exit code.
int RunMessageLoop();

// The hook of a box shown with MB_TOPMOST (Wine does not put it on top for the flag): it puts a
// box owned by the main window on top as it is activated, and nothing else.
LRESULT CALLBACK KeepBoxOnTop(int code, WPARAM wParam, LPARAM lParam);

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void OnDropFiles(HDROP drop);
void OnExecute();
