// The main window of Kestrelwick on Linux, with Qt Widgets: the same window, texts, control
// IDs (as object names) and steps as on Windows.
#pragma once

#include "commands/controller.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QUrl;

class KwMainWindow : public QWidget {
  public:
    KwMainWindow();
    ~KwMainWindow() override;

    // A drop of these items: the first one counts, as on Windows.
    void OnDropUrls(const QList<QUrl>& urls);
    // A press of the execute button: the job runs on a thread of its own, and the window
    // stays alive meanwhile, with ③ disabled and the progress in the title.
    void OnExecute();
    bool Busy() const { return controller_.Busy(); }

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class QtPort;
    void FitToWidth();

    QLabel* oldName_ = nullptr;
    QLineEdit* newName_ = nullptr;
    QPushButton* execute_ = nullptr;
    std::unique_ptr<KwWindowPort> port_; // what the window gives the job controller
    KwController controller_;
};

// Start-up up to the event loop: the font, the main window (shown).
KwMainWindow* CreateMainWindow();
