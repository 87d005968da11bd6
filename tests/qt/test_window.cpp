// The Linux window, driven in-process on Qt's offscreen platform: drops built from URLs,
// typing, clicks and closing, with every message box found while it is open, read and
// dismissed. Leaves pictures of it in the build's screenshots/ folder.
#include "engine/state.h"
#include "engine/texts.h"
#include "tests/support.h"
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
#include <QUrl>

#include <algorithm>

namespace {

struct SeenBox {
    QString text, title;
    QWidget* owner;
    bool topmost, modal;
    QPixmap picture;
};

// Runs action and waits for the job it may start; every message box that opens meanwhile is
// read and dismissed.
template <typename F> std::vector<SeenBox> WithBoxes(KwMainWindow* window, F action) {
    std::vector<SeenBox> seen;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            seen.push_back({box->text(), box->windowTitle(), box->parentWidget(),
                            box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), box->isModal(),
                            box->grab()});
            box->button(QMessageBox::Ok)->click();
        }
    });
    timer.start();
    QPointer<KwMainWindow> alive(window);
    action();
    while (alive && alive->Busy())
        QTest::qWait(5);
    timer.stop();
    return seen;
}

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class QtWindow : public TempTest {
  protected:
    void SetUp() override {
        TempTest::SetUp();
        window_ = CreateMainWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }
    void TearDown() override {
        delete window_;
        TempTest::TearDown();
    }
    template <typename T> T* Control(int id) { return window_->findChild<T*>(QString::number(id)); }
    QLabel* OldName() { return Control<QLabel>(kIdOldName); }
    QLineEdit* Edit() { return Control<QLineEdit>(kIdNewName); }

    // A drop of these paths, as a file manager makes it.
    void Drop(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls.push_back(QUrl::fromLocalFile(p));
        QMimeData mime;
        mime.setUrls(urls);
        Drop(&mime);
    }
    void Drop(QMimeData* mime) {
        QDragEnterEvent enter(QPoint(400, 70), Qt::CopyAction, mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window_, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(400, 70), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_, &drop);
    }
    // ASCII as key presses; anything else as a Japanese input method commits it.
    void Type(const QString& text) {
        Edit()->clear();
        Edit()->setFocus();
        bool ascii =
            std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 128; });
        if (ascii) {
            QTest::keyClicks(Edit(), text);
            return;
        }
        EXPECT_TRUE(Edit()->testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodEvent preedit(text, {});
        QApplication::sendEvent(Edit(), &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(Edit(), &commit);
    }
    void Click() { QTest::mouseClick(Control<QPushButton>(kIdExecute), Qt::LeftButton); }
    std::vector<SeenBox> Press() {
        return WithBoxes(window_, [&] { Click(); });
    }
    void ExpectOneBox(const std::vector<SeenBox>& boxes, const char* text) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, Q(text).replace("\r\n", "\n"));
        EXPECT_EQ(boxes[0].title, Q(kTxtCaption));
        EXPECT_EQ(boxes[0].owner, window_);
        EXPECT_TRUE(boxes[0].topmost);
        EXPECT_TRUE(boxes[0].modal);
    }
    KwMainWindow* window_ = nullptr;
};

TEST_F(QtWindow, WindowAndControlsAsOnWindows) {
    EXPECT_EQ(window_->windowTitle(), Q(kWindowTitle));
    EXPECT_EQ(window_->size(), QSize(kClientWidth, kClientHeight));
    EXPECT_TRUE(window_->acceptDrops());
    QFontInfo face(window_->font());
    EXPECT_EQ(face.pixelSize(), kFontPixels);
    EXPECT_TRUE(face.family().contains("IPA")) << face.family().toStdString();
    for (const ControlSpec& c : kControlSpecs) {
        QWidget* w = Control<QWidget>(c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(w->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.id;
        EXPECT_EQ(w->isVisible(), c.visible) << c.id;
        QString text = c.kind == kButton  ? static_cast<QPushButton*>(w)->text()
                       : c.kind == kLabel ? static_cast<QLabel*>(w)->text()
                                          : static_cast<QLineEdit*>(w)->text();
        EXPECT_EQ(text, Q(c.text)) << c.id;
        // Every text fits its control, as the Windows face makes it fit there.
        int room = c.kind == kButton ? c.w - 8 : c.w;
        EXPECT_LE(w->fontMetrics().horizontalAdvance(text), room) << c.id;
        EXPECT_LE(w->fontMetrics().height(), c.kind == kButton ? c.h : c.h + 4) << c.id;
    }
    // The edit field has the focus, and takes what fits its width, and no more: typed or
    // pasted, the rest is cut off. Labels sit at the top, as Windows draws them.
    EXPECT_TRUE(Edit()->hasFocus());
    QTest::keyClicks(Edit(), QString(200, 'W'));
    EXPECT_GT(Edit()->text().size(), 20);
    EXPECT_LT(Edit()->text().size(), 200);
    int fits = Edit()->text().size();
    Edit()->clear();
    QApplication::clipboard()->setText(QString(300, 'W'));
    QTest::keySequence(Edit(), QKeySequence::Paste);
    EXPECT_EQ(Edit()->text().size(), fits);
    EXPECT_TRUE(OldName()->alignment() & Qt::AlignTop);
    EXPECT_FALSE(window_->windowIcon().isNull());
}

TEST_F(QtWindow, ExecuteBeforeAnyDropAndWithAnEmptyField) {
    ExpectOneBox(Press(), kTxtNoProject);
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}});
    Drop({QString::fromStdString(dir)});
    ExpectOneBox(Press(), kTxtNoNewName);
    EXPECT_EQ(Snapshot(root_).size(), 2u); // the project only
}

TEST_F(QtWindow, DropsShowTheOldName) {
    std::string a = MakeProject("Alpha", {{"Alpha.pj", "Alpha"}});
    std::string b = MakeProject("Beta", {{"Beta.pj", "Beta"}});
    std::string none = MakeProject("Plain", {{"readme.txt", "x"}});
    EXPECT_FALSE(OldName()->isVisible());
    // Several at once: the first counts.
    Drop({QString::fromStdString(a), QString::fromStdString(b)});
    EXPECT_TRUE(OldName()->isVisible());
    EXPECT_EQ(OldName()->text(), "Alpha");
    EXPECT_EQ(glDropPath, a);
    Drop({QString::fromStdString(b) + "/"});
    EXPECT_EQ(OldName()->text(), "Beta");
    EXPECT_EQ(glDropPath, b);
    // No project file, or a file: the name stays.
    Drop({QString::fromStdString(none)});
    EXPECT_EQ(OldName()->text(), "Beta");
    Drop({QString::fromStdString(Join(b, "Beta.pj"))});
    EXPECT_EQ(OldName()->text(), "Beta");
    // A file manager's own list: percent-encoded UTF-8, CRLF after each item.
    std::string jp = MakeProject("日本語の プロジェクト", {{"日本語.pj", "x"}});
    QMimeData list;
    list.setData("text/uri-list",
                 QUrl::fromLocalFile(QString::fromStdString(jp)).toEncoded() + "\r\n");
    ASSERT_TRUE(QUrl::fromLocalFile(QString::fromStdString(jp)).toEncoded().contains("%E6%97%A5"));
    Drop(&list);
    EXPECT_EQ(OldName()->text(), Q("日本語"));
    EXPECT_EQ(glDropPath, jp);
    // A dropped web address is no folder here.
    QMimeData mime;
    mime.setUrls({QUrl("https://example.com/Project")});
    Drop(&mime);
    EXPECT_EQ(OldName()->text(), Q("日本語"));
}

TEST_F(QtWindow, ARunWritesTheCopyAndSaysSo) {
    // Large enough for the job to take a while: the window must stay alive meanwhile.
    std::string big;
    while (big.size() < (32 << 20))
        big += "SampleApp = total + items(i).size ' again and again\r\n";
    std::string dir = MakeProject("SampleApp", {{"SampleApp.pj", "SampleApp\r\n"},
                                                {"Main.sbp", "' SampleApp の本体"},
                                                {"Big.sbp", big},
                                                {"icon.ico", std::string("\0\1", 2)}});
    QDir().mkpath(KW_SCREENSHOT_DIR);
    Drop({QString::fromStdString(dir)});
    EXPECT_TRUE(Edit()->hasFocus()); // typing goes to the name straight away
    QString name = Q("サンプル改");
    Type(name);
    EXPECT_EQ(Edit()->text(), name);
    window_->grab().save(KW_SCREENSHOT_DIR "/before.png");

    // Enter in the edit field does not press the button.
    std::vector<SeenBox> none =
        WithBoxes(window_, [&] { QTest::keyClick(Edit(), Qt::Key_Return); });
    EXPECT_TRUE(none.empty());
    std::string out = Join(root_, "サンプル改");
    EXPECT_FALSE(Exists(out));

    // During the job: the event loop turns (a timer fires), the cursor waits, a second press
    // and a drop change nothing.
    int ticks = 0;
    bool waited = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    std::vector<SeenBox> boxes = WithBoxes(window_, [&] {
        Click();
        tick.start(5);
        QTest::qWait(50);
        waited = QApplication::overrideCursor() &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        Click();
        Drop({QString::fromStdString(root_)});
        window_->grab().save(KW_SCREENSHOT_DIR "/busy.png");
    });
    EXPECT_GT(ticks, 3);
    EXPECT_TRUE(waited);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(OldName()->text(), "SampleApp");
    ExpectOneBox(boxes, kTxtDone);
    std::string bigNew;
    for (size_t at = 0; at < big.size(); at += 53)
        bigNew += "サンプル改" + big.substr(at + 9, 44);
    std::map<std::string, std::string> want = {{"サンプル改.pj", "サンプル改\r\n"},
                                               {"Main.sbp", "' サンプル改 の本体"},
                                               {"Big.sbp", bigNew},
                                               {"icon.ico", std::string("\0\1", 2)}};
    EXPECT_EQ(Snapshot(out), want);

    // The window with its completion box over it.
    QPixmap after = window_->grab();
    if (!boxes.empty()) {
        QPainter p(&after);
        const QPixmap& box = boxes[0].picture;
        p.drawPixmap((after.width() - box.width()) / 2, (after.height() - box.height()) / 2, box);
    }
    after.save(KW_SCREENSHOT_DIR "/after.png");
}

TEST_F(QtWindow, RefusalsComeFromTheSharedChecks) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"Old.txt", "x"}, {"New.txt", "y"}});
    WriteFile(Join(root_, "AFile"), "in the way");
    Drop({QString::fromStdString(dir)});
    struct Row {
        const char* typed;
        const char* why;
    } rows[] = {{"a:b", kTxtBadName}, {"AFile", kTxtFileInTheWay}, {"Old", kTxtSameFolder}};
    for (const Row& r : rows) {
        Type(Q(r.typed));
        ExpectOneBox(Press(), r.why);
    }
    Type("New"); // Old.txt and New.txt would both become New.txt
    std::vector<SeenBox> boxes = Press();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith(Q(kTxtCollision)));
    EXPECT_FALSE(Exists(Join(root_, "New")));
}

TEST_F(QtWindow, ResizingKeepsTheLayoutAndClosingEndsWithZero) {
    window_->resize(1200, 500);
    window_->showMaximized();
    QApplication::processEvents();
    for (const ControlSpec& c : kControlSpecs)
        EXPECT_EQ(Control<QWidget>(c.id)->geometry(), QRect(c.x, c.y, c.w, c.h)) << c.id;
    // Closed during a job, it waits for the job's end and its box, then ends with 0.
    std::string dir =
        MakeProject("Old", {{"Old.pj", "Old"}, {"Old.sbp", std::string(32 << 20, 'x') + "Old"}});
    Drop({QString::fromStdString(dir)});
    Type("New");
    QPointer<KwMainWindow> alive(window_);
    std::vector<SeenBox> boxes = WithBoxes(nullptr, [&] {
        Click();
        window_->close();
        EXPECT_TRUE(alive && alive->isVisible());
        EXPECT_EQ(QApplication::exec(), 0);
    });
    EXPECT_TRUE(alive.isNull()); // closed and deleted
    window_ = nullptr;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Q(kTxtDone));
    EXPECT_EQ(ReadFile(Join(Join(root_, "New"), "New.pj")), "New");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
