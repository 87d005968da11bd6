#include "ui/qt/window.h"

#include <QApplication>
#include <QUrl>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // As Linux programs do, and without a display.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("kestrelwick " KW_VERSION);
        return 0;
    }
    PlatStartup();
    QApplication app(argc, argv);
    KwMainWindow* window = CreateMainWindow();
    // A folder given on the command line (a file manager's "open with") is taken as if it
    // had been dropped first; other arguments are ignored.
    QStringList args = QApplication::arguments();
    if (args.size() > 1) window->OnDropUrls({QUrl::fromLocalFile(args[1])});
    return app.exec(); // 0 once the window is closed
}
