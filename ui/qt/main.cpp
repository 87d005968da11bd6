#include "commands/texts.h"
#include "ui/options.h"
#include "ui/qt/window.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QFile>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace {

// Qt ends a program it finds no display for with a message about reinstalling it: said here
// in one line first, as the user's own.
bool HasDisplay() {
    for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(var); v && *v) return true;
    return false;
}

// The window's thread ends its work here, whatever was thrown: it is said, and the window goes
// on (the job's thread has a boundary of its own, in the controller).
class KwApplication : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            QMessageBox::warning(activeWindow(), QString::fromUtf8(kTxtCaption),
                                 QString::fromUtf8(KwSay(kTxtUnexpected)));
            return false;
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    PlatStartup();
    std::vector<PlatArg> args = PlatCommandLine(argc, argv);
    KwWindowStart start = KwWindowOptions(args);
    std::fputs(start.say.c_str(), stdout);
    std::fputs(start.error.c_str(), stderr);
    if (start.exit >= 0) return start.exit;
    if (!HasDisplay()) {
        std::fputs(
            PlatJapaneseUser()
                ? "kestrelwick: 画面がありません（DISPLAY も WAYLAND_DISPLAY もありません）。"
                  "画面なしでは kestrelwick-cli を使います。\n"
                : "kestrelwick: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is "
                  "set); kestrelwick-cli works without one.\n",
            stderr);
        return 1;
    }
    KwApplication app(argc, argv);
    // The window is Japanese: so are Qt's own words in it, where their translation is installed.
    QTranslator qt;
    if (qt.load(QLocale(QLocale::Japanese), "qtbase", "_",
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qt);
    KwMainWindow* window = CreateMainWindow();
    // A folder given on the command line (a file manager's "open with") is taken as if it
    // had been dropped first.
    if (start.folder)
        window->OnDropUrls({QUrl::fromLocalFile(QFile::decodeName(start.folder->text.c_str()))});
    return app.exec(); // 0 once the window is closed
}
