#include "ui/qt/window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CreateMainWindow();
    return app.exec(); // 0 once the window is closed
}
