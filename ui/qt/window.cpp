#include "ui/qt/window.h"

#include "commands/texts.h"
#include "ui/layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace {

QFont DialogFont() {
    // Where the Japanese Windows face is missing, faces made to its widths stand in.
    QFont::insertSubstitutions(
        QString::fromUtf8(kFontFace),
        {"IPAPGothic", QString::fromUtf8("IPA Pゴシック"), "VL PGothic", "Noto Sans CJK JP"});
    QFont font(QString::fromUtf8(kFontFace));
    font.setPixelSize(kFontPixels);
    font.setWeight(QFont::Normal);
    return font;
}

QString Q(const std::string& text) {
    return QString::fromUtf8(text.c_str()).replace("\r\n", "\n");
}

} // namespace

// What the window gives the job controller.
class QtPort : public KwWindowPort {
  public:
    explicit QtPort(KwMainWindow* w) : w_(w) {}

    // Modal, owned by the window, and the focus back in the name field afterwards.
    void Box(const std::string& text, KwBox kind) override {
        QMessageBox box(kind == kBoxFailure ? QMessageBox::Warning : QMessageBox::NoIcon,
                        QString::fromUtf8(kind == kBoxWriteFailed ? "" : kTxtCaption), Q(text),
                        QMessageBox::Ok, w_);
        box.setObjectName("KwMessageBox");
        if (kind != kBoxWriteFailed) box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
        w_->newName_->setFocus();
    }
    bool Ask(const std::string& question, KwQuestion kind) override {
        QMessageBox box(QMessageBox::Question, QString::fromUtf8(kTxtCaption),
                        Q(question + "\r\n" + (kind == kAskCode ? kCodeAsk : kReplaceAsk)),
                        QMessageBox::Yes | QMessageBox::No, w_);
        box.setObjectName("KwMessageBox");
        box.setDefaultButton(QMessageBox::No);
        // Qt's own words are English where no translation of them is installed.
        box.button(QMessageBox::Yes)->setText(QString::fromUtf8("はい(&Y)"));
        box.button(QMessageBox::No)->setText(QString::fromUtf8("いいえ(&N)"));
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        bool yes = box.exec() == QMessageBox::Yes;
        w_->newName_->setFocus();
        return yes;
    }
    void Busy(bool busy) override {
        w_->execute_->setEnabled(!busy);
        if (!busy) return;
        w_->newName_->setFocus();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        w_->setWindowTitle(QString::fromStdString(KwBusyTitle(0, 0)));
    }
    void Ended() override {
        QApplication::restoreOverrideCursor();
        w_->setWindowTitle(QString::fromUtf8(kWindowTitle));
    }
    void Progress(size_t done, size_t total) override {
        w_->setWindowTitle(QString::fromStdString(KwBusyTitle(done, total)));
    }
    void Post(std::function<void()> fn) override {
        QMetaObject::invokeMethod(w_, std::move(fn), Qt::QueuedConnection);
    }
    void Label(const std::string& name) override {
        w_->oldName_->setText(QFile::decodeName(QByteArray::fromStdString(name)));
        w_->oldName_->setVisible(!name.empty());
        w_->newName_->setFocus();
    }
    void Close() override { w_->close(); }

  private:
    KwMainWindow* w_;
};

KwMainWindow::KwMainWindow() : port_(new QtPort(this)), controller_(port_.get(), port_.get()) {
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setWindowIcon(QApplication::windowIcon());
    setAcceptDrops(true);
    setFont(DialogFont());
    resize(kClientWidth, kClientHeight);
    for (const ControlSpec& c : kControlSpecs) {
        QWidget* w = nullptr;
        QString text = QString::fromUtf8(c.text);
        switch (c.kind) {
        case kButton:
            execute_ = new QPushButton(text, this);
            connect(execute_, &QPushButton::clicked, this, [this] { OnExecute(); });
            w = execute_;
            break;
        case kLabel: {
            auto* label = new QLabel(text, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // as a Windows STATIC draws
            w = label;
            break;
        }
        case kEdit:
            newName_ = new QLineEdit(this);
            connect(newName_, &QLineEdit::textEdited, this, [this] { FitToWidth(); });
            connect(newName_, &QLineEdit::returnPressed, this, [this] { OnExecute(); });
            w = newName_;
            break;
        }
        w->setObjectName(QString::number(c.id));
        w->setGeometry(c.x, c.y, c.w, c.h);
        w->setVisible(c.visible);
        if (c.id == kIdOldName) oldName_ = static_cast<QLabel*>(w);
    }
    // Tab and Shift+Tab between the name and ③, as the dialog manager does on Windows.
    execute_->setFocusPolicy(Qt::StrongFocus);
    for (QWidget* w : findChildren<QLabel*>())
        w->setFocusPolicy(Qt::NoFocus);
    setTabOrder(newName_, execute_);
    newName_->setFocus();
}

KwMainWindow::~KwMainWindow() = default;

// The edit field does not scroll on Windows: it takes what fits its width. What goes past it,
// typed or pasted, is cut off.
void KwMainWindow::FitToWidth() {
    QString text = newName_->text();
    int room = newName_->contentsRect().width() - 8;
    if (newName_->fontMetrics().horizontalAdvance(text) <= room) return;
    while (!text.isEmpty() && newName_->fontMetrics().horizontalAdvance(text) > room)
        text.chop(1);
    newName_->setText(text);
}

void KwMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void KwMainWindow::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) return;
    event->acceptProposedAction();
    // Taken once the drop event has returned: a box of it must not hold the drag open in the
    // file manager.
    QMetaObject::invokeMethod(
        this, [this, urls = event->mimeData()->urls()] { OnDropUrls(urls); }, Qt::QueuedConnection);
}

void KwMainWindow::closeEvent(QCloseEvent* event) {
    // The copy is never left half-built by the window: it closes when the job has ended.
    if (!controller_.MayClose()) event->ignore();
}

void KwMainWindow::OnDropUrls(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    QString path = urls.first().toLocalFile();
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    controller_.Drop(QFile::encodeName(path).toStdString());
}

void KwMainWindow::OnExecute() {
    controller_.Execute(newName_->text().toStdString());
}

KwMainWindow* CreateMainWindow() {
    Q_INIT_RESOURCE(kestrelwick); // the icon, from this static library
    // The program's own icon, for every window of it (title bar, taskbar, Alt+Tab).
    QIcon own;
    for (int size : {16, 32, 48, 256})
        own.addFile(QString(":/kestrelwick-%1.png").arg(size));
    QApplication::setWindowIcon(QIcon::fromTheme("kestrelwick", own));
    auto* window = new KwMainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
