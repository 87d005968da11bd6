// The main window as a user meets it, one scenario for both windows: the Win32 driver (the
// real kestrelwick.exe from another process) and the Qt driver each give the few primitives.
// Texts are in the build's own encoding (CP932 on Windows); typed text is given in UTF-8.
#pragma once

#include <string>
#include <vector>

struct SeenBox {
    std::string text, caption;
    bool owned = false;    // by the main window
    bool topmost = false;  // the flag the program gave it
    bool question = false; // Yes and No, No the default
    bool warning = false;  // with the warning icon
    // The window meanwhile: its title, and whether ③ can be pressed.
    std::string title;
    bool pressable = true;
};

struct WindowDriver {
    virtual ~WindowDriver() = default;
    // Every primitive that can open boxes gives every box that opened meanwhile, read while
    // open and answered: OK, or `yes` to a question.
    bool yes = false;
    virtual std::vector<SeenBox> Drop(const std::vector<std::string>& paths) = 0;
    virtual void Type(const std::string& utf8) = 0; // in place of what the field holds
    virtual std::vector<SeenBox> Key(int key) = 0;  // kKeyEnter, kKeyTab, kKeySpace
    virtual std::vector<SeenBox> Press() = 0;       // a click of the execute button
    virtual std::string Label() = 0;                // the old name, "" while hidden
    virtual std::string Text(int id) = 0;
    virtual int Focus() = 0; // the control ID of the one with the keyboard focus
    // Client rectangle: left, top, width, height.
    virtual std::vector<int> Geometry(int id) = 0;
};

enum { kKeyEnter, kKeyTab, kKeySpace };

// Makes its projects under root and runs the scenario, checking with gtest.
void RunWindowScenario(WindowDriver* window, const std::string& root);
