#include "ui/qt/window.h"

#include "platform/platform.h"
#include "ui/commands.h"
#include "ui/layout.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QValidator>

namespace {

KwMainWindow* gMainWindow = nullptr;

// The edit field does not scroll on Windows: it takes what fits its width, no more.
class FitsWidth : public QValidator {
  public:
    explicit FitsWidth(QLineEdit* edit) : QValidator(edit), edit_(edit) {}
    State validate(QString& text, int&) const override {
        int room = edit_->contentsRect().width() - 8;
        return edit_->fontMetrics().horizontalAdvance(text) <= room ? Acceptable : Invalid;
    }

  private:
    QLineEdit* edit_;
};

// Message boxes of the engine and the commands: modal, owned by the main window.
void QtBox(const char* text, const char* caption, unsigned flags) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption),
                    QString::fromUtf8(text).replace("\r\n", "\n"), QMessageBox::Ok,
                    static_cast<QWidget*>(glPlatOwner));
    box.setObjectName("KwMessageBox");
    if (flags & kBoxTopmost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
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
        case kLabel: w = new QLabel(text, this); break;
        case kEdit: {
            newName_ = new QLineEdit(this);
            newName_->setValidator(new FitsWidth(newName_));
            w = newName_;
            break;
        }
        }
        w->setObjectName(QString::number(c.id));
        w->setGeometry(c.x, c.y, c.w, c.h);
        w->setVisible(c.visible);
        if (c.id == kIdOldName) oldName_ = static_cast<QLabel*>(w);
    }
}

KwMainWindow::~KwMainWindow() {
    if (glPlatOwner == this) glPlatOwner = nullptr;
    gMainWindow = nullptr;
}

void KwMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void KwMainWindow::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) return;
    OnDropUrls(event->mimeData()->urls());
    event->acceptProposedAction();
}

void KwMainWindow::OnDropUrls(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    QString path = urls.first().toLocalFile();
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const std::string& name = OnDropPath(QFile::encodeName(path).toStdString());
    oldName_->setText(QFile::decodeName(QByteArray::fromStdString(name)));
    oldName_->show();
}

void KwMainWindow::OnExecute() {
    ExecuteCommand(newName_->text().toStdString());
}

KwMainWindow* CreateMainWindow() {
    glPlat.Box = QtBox;
    auto* window = new KwMainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}
