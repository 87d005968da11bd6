// The Linux window, driven in-process on Qt's offscreen platform: the window scenario through
// drops built from URLs, typing, clicks and the boxes found while open; then what is Qt's own
// to check, a long job and closing. Leaves pictures in the build's screenshots/ folder.
#include "commands/texts.h"
#include "engine/texts.h"
#include "tests/support.h"
#include "tests/window.h"
#include "ui/layout.h"
#include "ui/qt/window.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

class QtDriver : public WindowDriver {
  public:
    KwMainWindow* window = CreateMainWindow();
    std::vector<SeenBox> seen;
    QTimer boxes; // every box that opens is read and answered

    QtDriver() {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        QDir().mkpath(KW_SCREENSHOT_DIR);
        boxes.setInterval(10);
        QObject::connect(&boxes, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    QAbstractButton* no = box->button(QMessageBox::No);
                    seen.push_back({box->text().toStdString(), box->windowTitle().toStdString(),
                                    box->parentWidget() == window && box->isModal(),
                                    box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                                    no && box->defaultButton() == no,
                                    box->icon() == QMessageBox::Warning,
                                    window->windowTitle().toStdString(),
                                    Control<QPushButton>(kIdExecute)->isEnabled()});
                    // A question's buttons in the window's language.
                    if (no) {
                        EXPECT_EQ(no->text(), QString::fromUtf8("いいえ(&N)"));
                        EXPECT_EQ(box->button(QMessageBox::Yes)->text(),
                                  QString::fromUtf8("はい(&Y)"));
                    }
                    picture = box->grab();
                    // The questions and the failure, as a user sees them.
                    for (const auto& [head, file] :
                         {std::pair{&kTxtCodeHead, "question-code"},
                          std::pair{&kTxtReplaceHead, "question-replace"},
                          std::pair{&kTxtFailedHead, "failure"}})
                        if (seen.back().text.rfind(KwSay(*head), 0) == 0)
                            picture.save(QString(KW_SCREENSHOT_DIR "/%1.png").arg(file));
                    (no ? box->button(yes ? QMessageBox::Yes : QMessageBox::No)
                        : box->button(QMessageBox::Ok))
                        ->click();
                }
        });
        boxes.start();
    }
    template <typename T> T* Control(int id) { return window->findChild<T*>(QString::number(id)); }
    QLineEdit* Edit() { return Control<QLineEdit>(kIdNewName); }
    QPixmap picture;

    // What an action brought, once the job it started has ended.
    template <typename F> std::vector<SeenBox> Boxes(F action) {
        seen.clear();
        QPointer<KwMainWindow> alive(window);
        action();
        QTest::qWait(20);
        while (alive && alive->Busy())
            QTest::qWait(5);
        QTest::qWait(20);
        return seen;
    }
    void DropNow(const std::vector<std::string>& paths) {
        QList<QUrl> urls;
        for (const std::string& p : paths)
            urls.push_back(QUrl::fromLocalFile(Q(p)));
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(400, 70), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QDropEvent drop(QPointF(400, 70), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
    }
    std::vector<SeenBox> Drop(const std::vector<std::string>& paths) override {
        return Boxes([&] {
            DropNow(paths);
            // The drop event has returned, and the file manager's drag with it, before a box.
            EXPECT_TRUE(seen.empty()) << "a box inside the drop event";
        });
    }
    // As a Japanese input method commits it.
    void Type(const std::string& utf8) override {
        Edit()->clear();
        QString text = Q(utf8);
        QInputMethodEvent preedit(text, {});
        QApplication::sendEvent(Edit(), &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(Edit(), &commit);
    }
    std::vector<SeenBox> Key(int key) override {
        Qt::Key k = key == kKeyEnter ? Qt::Key_Return
                    : key == kKeyTab ? Qt::Key_Tab
                                     : Qt::Key_Space;
        return Boxes([&] { QTest::keyClick(window->focusWidget(), k); });
    }
    void Click() { QTest::mouseClick(Control<QPushButton>(kIdExecute), Qt::LeftButton); }
    std::vector<SeenBox> Press() override {
        return Boxes([&] { Click(); });
    }
    std::string Label() override {
        auto* label = Control<QLabel>(kIdOldName);
        return label->isVisible() ? label->text().toStdString() : "";
    }
    std::string Text(int id) override {
        return Control<QWidget>(id)->property("text").toString().toStdString();
    }
    int Focus() override { // the window's, whether or not the system made it active
        QWidget* w = window->focusWidget();
        return w ? w->objectName().toInt() : 0;
    }
    std::vector<int> Geometry(int id) override {
        QRect r = Control<QWidget>(id)->geometry();
        return {r.x(), r.y(), r.width(), r.height()};
    }
};

class QtWindow : public TempTest {};

TEST_F(QtWindow, Scenario) {
    QtDriver d;
    RunWindowScenario(&d, root_);
    delete d.window;
}

TEST_F(QtWindow, WhatIsQtsOwn) {
    QtDriver d;
    EXPECT_FALSE(d.window->windowIcon().isNull());
    EXPECT_TRUE(d.Control<QLabel>(kIdOldName)->alignment() & Qt::AlignTop); // as Windows draws
    // The field has the focus and takes what fits its width: typed or pasted, the rest is cut.
    EXPECT_TRUE(d.Edit()->hasFocus());
    QTest::keyClicks(d.Edit(), QString(200, 'W'));
    int fits = d.Edit()->text().size();
    EXPECT_GT(fits, 20);
    EXPECT_LT(fits, 200);
    d.Edit()->clear();
    QApplication::clipboard()->setText(QString(300, 'W'));
    QTest::keySequence(d.Edit(), QKeySequence::Paste);
    EXPECT_EQ(d.Edit()->text().size(), fits);
    // A long job: the event loop turns (a timer fires), the cursor waits, a second press and a
    // drop change nothing; the window leaves pictures before, during and after it.
    std::string dir = Join(root_, "SampleApp"), big;
    MakeDir(dir);
    while (big.size() < (32 << 20))
        big += "' SampleApp = total + items(i).size, again and again\r\n";
    WriteFile(Join(dir, "SampleApp.pj"), "SampleApp\r\n");
    WriteFile(Join(dir, "Big.sbp"), big);
    d.Drop({dir});
    d.Type(reinterpret_cast<const char*>(u8"サンプル改"));
    d.window->grab().save(KW_SCREENSHOT_DIR "/before.png");
    int ticks = 0;
    bool waited = false, disabled = false;
    QString title;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    std::vector<SeenBox> boxes = d.Boxes([&] {
        d.Click();
        tick.start(5);
        QTest::qWait(80);
        for (int k = 0; k < 3000 && d.window->Busy() &&
                        !d.window->windowTitle().contains(QString::fromUtf8("コピー中"));
             ++k) // "確認中" until the files are counted
            QTest::qWait(10);
        waited = QApplication::overrideCursor() &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        disabled = !d.Control<QPushButton>(kIdExecute)->isEnabled();
        title = d.window->windowTitle();
        d.Click();
        d.DropNow({root_});
        d.window->grab().save(KW_SCREENSHOT_DIR "/busy.png");
    });
    EXPECT_GT(ticks, 3);
    EXPECT_TRUE(waited);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(title.contains(QString::fromUtf8("コピー中"))) << title.toStdString();
    EXPECT_TRUE(d.Control<QPushButton>(kIdExecute)->isEnabled());
    EXPECT_EQ(d.window->windowTitle(), QString::fromUtf8(kWindowTitle));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(d.Label(), "SampleApp");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(KwSay(kTxtDone), 0), 0u);
    QPixmap after = d.window->grab();
    QPainter(&after).drawPixmap((after.width() - d.picture.width()) / 2,
                                (after.height() - d.picture.height()) / 2, d.picture);
    after.save(KW_SCREENSHOT_DIR "/after.png");
    std::string copy = ReadFile(Join(Join(root_, "サンプル改"), "Big.sbp"));
    EXPECT_EQ(copy.size(), big.size() / 54 * 55); // サンプル改 in CP932, the ASCII project's
    EXPECT_EQ(copy.find("SampleApp"), std::string::npos);

    // Closed during a job, it waits for the job's end and its box, then ends with 0.
    d.Type("Other");
    QPointer<KwMainWindow> alive(d.window);
    boxes = d.Boxes([&] {
        d.Click();
        d.window->close();
        EXPECT_TRUE(alive && alive->isVisible());
        EXPECT_EQ(QApplication::exec(), 0);
    });
    EXPECT_TRUE(alive.isNull()); // closed and deleted
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(KwSay(kTxtDone), 0), 0u);
    EXPECT_EQ(ReadFile(Join(Join(root_, "Other"), "Other.pj")), "Other\r\n");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
