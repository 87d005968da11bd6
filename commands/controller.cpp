#include "commands/controller.h"

#include "commands/commands.h"
#include "engine/job.h"
#include "engine/state.h"
#include "engine/texts.h"

#include <future>

class KwController::Events : public KwEvents {
  public:
    explicit Events(KwController* c) : c_(c) {}
    void Progress(size_t done, size_t total) override { c_->OnProgress(done, total); }
    void CreateFailed() override { c_->OnCreateFailed(); }
    bool MayReplace(const std::string& folder, const std::vector<std::string>& names) override {
        return c_->OnMayReplace(folder, names);
    }
    void End(const KwResult& result) override { c_->OnEnd(result); }

  private:
    KwController* c_;
};

KwController::~KwController() {
    if (job_.joinable()) job_.join();
}

template <typename F> auto KwController::OnFront(F f) -> decltype(f()) {
    if (!threaded_) return f();
    std::packaged_task<decltype(f())()> task(f);
    auto result = task.get_future();
    port_->Post([&task] { task(); });
    return result.get();
}

void KwController::Drop(const std::string& path, bool exact) {
    if (busy_) return;
    const char* why = exact ? OnDropPath(path) : kTxtDropNotCp932;
    if (exact) port_->Label(glOldPjName);
    if (why) port_->Box(why, kTxtCaption, kBoxTopmost);
}

void KwController::Execute(const std::string& typed) {
    if (busy_) return; // one job at a time
    if (const char* refusal = AcceptExecute(typed)) {
        status_ = kKwRefused;
        port_->Box(refusal, kTxtCaption, kBoxTopmost);
        return;
    }
    busy_ = true;
    port_->Busy(true);
    if (threaded_)
        job_ = std::thread([this] { Run(); });
    else
        Run();
}

void KwController::Run() {
    // ProjectKakikae lets nothing out; this holds if that ever changes.
    Events events(this);
    try {
        ProjectKakikae(&events);
    } catch (...) {
        KwResult failed{kKwFailed, "", "", {{glNewPjName, kTxtWhyInternal}}, {}};
        OnEnd(failed);
    }
}

bool KwController::MayClose() {
    if (!busy_) return true;
    closePending_ = true; // the copy is never left half-built by the window
    return false;
}

void KwController::OnProgress(size_t done, size_t total) {
    // The title need not change more often than it can be read.
    int64_t now = PlatTicks();
    if (done != 0 && done != total && now - shown_ < 50) return;
    shown_ = now;
    if (threaded_) port_->Post([this, done, total] { port_->Progress(done, total); });
}

void KwController::OnCreateFailed() {
    OnFront([this] { port_->Box(kTxtWriteFailed, "", kBoxOk); });
}

bool KwController::OnMayReplace(const std::string& folder, const std::vector<std::string>& names) {
    return OnFront(
        [&] { return port_->Ask(KwReplaceText(folder, names, kTxtReplaceHead, kTxtReplaceAsk)); });
}

void KwController::OnEnd(const KwResult& result) {
    auto end = [this, result, text = KwEndText(result)] {
        if (job_.joinable()) job_.join();
        if (!text.empty()) port_->Box(text, kTxtCaption, kBoxTopmost);
        // Only now: a press while the box was open must not start a job.
        last_ = result;
        status_ = result.status;
        busy_ = false;
        port_->Busy(false);
        if (closePending_) port_->Close();
    };
    if (threaded_)
        port_->Post(end);
    else
        end();
}

std::string KwReplaceText(const std::string& folder, const std::vector<std::string>& names,
                          const char* head, const char* tail) {
    std::string text = head;
    text +=
        "\r\n" + folder + "\r\n" + kTxtReplaceList + std::to_string(names.size()) + kTxtReplaceUnit;
    for (size_t i = 0; i < names.size() && i < 10; ++i)
        text += "\r\n　" + names[i];
    if (names.size() > 10)
        text += std::string("\r\n　") + kTxtFailedMore + std::to_string(names.size() - 10) +
                kTxtFailedCount;
    return text + "\r\n" + tail;
}
