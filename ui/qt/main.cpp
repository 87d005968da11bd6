#include "ui/qt/window.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // As Linux programs do, and without a display.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("kestrelwick " KW_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    CreateMainWindow();
    return app.exec(); // 0 once the window is closed
}
