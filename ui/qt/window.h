// The main window of Kestrelwick on Linux, with Qt Widgets: the same window, texts, control
// IDs (as object names) and steps as on Windows.
#pragma once

#include "ui/commands.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QUrl;

class KwMainWindow : public QWidget {
  public:
    KwMainWindow();
    ~KwMainWindow() override;

    // A drop of these items: the first one counts, as on Windows.
    void OnDropUrls(const QList<QUrl>& urls);
    // A press of the execute button: the job runs on a thread of its own, and the window
    // stays alive meanwhile, with the wait cursor, taking no press, drop or close.
    void OnExecute();
    void OnJobEnded();
    bool Busy() const { return job_.thread.joinable(); }

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Tab does not move between the controls, as on Windows.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    void FitToWidth();
    QLabel* oldName_;
    QLineEdit* newName_;
    KwJob job_;
    bool closePending_ = false;
};

// Start-up up to the event loop: the font, the main window (shown) and its message boxes.
KwMainWindow* CreateMainWindow();
