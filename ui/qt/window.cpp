#include "ui/qt/window.h"

#include "platform/platform.h"
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
#include <QThread>
#include <QUrl>

namespace {

KwMainWindow* gMainWindow = nullptr;

// Message boxes of the engine and the commands: modal, owned by the main window, and shown by
// the window's thread, also when the job asks for one from its own.
void QtBox(const char* text, const char* caption, unsigned flags) {
    auto show = [&] {
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption),
                        QString::fromUtf8(text).replace("\r\n", "\n"), QMessageBox::Ok,
                        static_cast<QWidget*>(glPlatOwner));
        box.setObjectName("KwMessageBox");
        if (flags & kBoxTopmost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
    };
    if (QThread::currentThread() == qApp->thread())
        show();
    else
        QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
}

// From the job's thread: the window takes its end in its own.
void JobEnded() {
    QMetaObject::invokeMethod(qApp, [] {
        if (gMainWindow) gMainWindow->OnJobEnded();
    });
}

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

} // namespace

KwMainWindow::KwMainWindow() {
    gMainWindow = this;
    glPlatOwner = this;
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setWindowIcon(QIcon::fromTheme("kestrelwick", QIcon(":/kestrelwick.png")));
    setAcceptDrops(true);
    setFont(DialogFont());
    resize(kClientWidth, kClientHeight);
    for (const ControlSpec& c : kControlSpecs) {
        QWidget* w = nullptr;
        QString text = QString::fromUtf8(c.text);
        switch (c.kind) {
        case kButton: {
            auto* button = new QPushButton(text, this);
            button->setFocusPolicy(Qt::ClickFocus);
            connect(button, &QPushButton::clicked, this, [this] { OnExecute(); });
            w = button;
            break;
        }
        case kLabel: {
            auto* label = new QLabel(text, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // as a Windows STATIC draws
            w = label;
            break;
        }
        case kEdit: {
            newName_ = new QLineEdit(this);
            connect(newName_, &QLineEdit::textEdited, this, [this] { FitToWidth(); });
            w = newName_;
            break;
        }
        }
        w->setObjectName(QString::number(c.id));
        w->setGeometry(c.x, c.y, c.w, c.h);
        w->setVisible(c.visible);
        if (c.id == kIdOldName) oldName_ = static_cast<QLabel*>(w);
    }
    newName_->setFocus();
}

KwMainWindow::~KwMainWindow() {
    if (glPlatOwner == this) glPlatOwner = nullptr;
    gMainWindow = nullptr;
}

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
    OnDropUrls(event->mimeData()->urls());
    event->acceptProposedAction();
}

void KwMainWindow::closeEvent(QCloseEvent* event) {
    // The copy is never left half-built by the window: it closes when the job has ended.
    if (Busy()) {
        closePending_ = true;
        event->ignore();
    }
}

void KwMainWindow::OnDropUrls(const QList<QUrl>& urls) {
    if (Busy() || urls.isEmpty() || !urls.first().isLocalFile()) return;
    QString path = urls.first().toLocalFile();
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const std::string& name = OnDropPath(QFile::encodeName(path).toStdString());
    oldName_->setText(QFile::decodeName(QByteArray::fromStdString(name)));
    oldName_->show();
    newName_->setFocus();
}

void KwMainWindow::OnExecute() {
    if (Busy() || !StartExecute(newName_->text().toStdString(), true, &job_, JobEnded)) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void KwMainWindow::OnJobEnded() {
    QApplication::restoreOverrideCursor();
    FinishExecute(&job_);
    if (closePending_) close();
}

KwMainWindow* CreateMainWindow() {
    Q_INIT_RESOURCE(kestrelwick); // the icon, from this static library
    glPlat.Box = QtBox;
    auto* window = new KwMainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
