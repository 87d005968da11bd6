// The main window as a user meets it, one scenario for both windows: the Win32 driver (the
// real kestrelwick.exe from another process) and the Qt driver each give the few primitives.
// Texts are in the build's own encoding (CP932 on Windows); typed text is given in UTF-8.
#pragma once

#include <string>
#include <vector>

struct SeenBox {
    std::string text, caption;
    bool owned = false;  // by the main window
    bool topmost = true; // where the driver can see it
};

struct WindowDriver {
    virtual ~WindowDriver() = default;
    virtual void Drop(const std::vector<std::string>& paths) = 0;
    virtual void Type(const std::string& utf8) = 0; // in place of what the field holds
    // The Enter key in the field, and every box that opened meanwhile.
    virtual std::vector<SeenBox> Enter() = 0;
    // A press of the execute button, and every box that opened meanwhile, read while open.
    virtual std::vector<SeenBox> Press() = 0;
    virtual std::string Label() = 0; // the old name, "" while hidden
    virtual std::string Text(int id) = 0;
    // Client rectangle: left, top, width, height.
    virtual std::vector<int> Geometry(int id) = 0;
};

// Makes its projects under root and runs the scenario, checking with gtest.
void RunWindowScenario(WindowDriver* window, const std::string& root);
