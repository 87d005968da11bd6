#include "commands/controller.h"

#include "commands/commands.h"
#include "commands/texts.h"
#include "engine/texts.h"

#include <future>
#include <new>

class KwController::Events : public KwEvents {
  public:
    Events(KwController* c, const std::string& newName) : c_(c), newName_(newName) {}
    void Progress(size_t done, size_t total) override { c_->OnProgress(done, total); }
    void CreateFailed() override {
        c_->OnFront([this] { c_->port_->Box(KwSay(kTxtWriteFailed), kBoxWriteFailed); });
    }
    bool MayEnterCode(const std::vector<KwCodePlaceIn>& places) override {
        return c_->OnFront([&] { return c_->port_->Ask(KwCodeText(newName_, places), kAskCode); });
    }
    bool MayReplace(const std::string& folder, const std::vector<std::string>& names) override {
        return c_->OnFront(
            [&] { return c_->port_->Ask(KwReplaceText(folder, names), kAskReplace); });
    }

  private:
    KwController* c_;
    const std::string& newName_;
};

KwController::~KwController() {
    if (job_.joinable()) job_.join();
}

template <typename F> auto KwController::OnFront(F f) -> decltype(f()) {
    std::packaged_task<decltype(f())()> task(f);
    auto result = task.get_future();
    port_->Post([&task] { task(); });
    return result.get();
}

void KwController::Say(const KwError& error) {
    port_->Box(error.why + (error.what.empty() ? "" : "\r\n" + error.what), kBoxRefusal);
}

bool KwController::Drop(const std::string& path, bool exact) {
    if (busy_) return false;
    KwError why = exact ? OnDropPath(path, &dropped_) : KwError(kTxtDropNotCp932);
    if (!exact) dropped_ = {};
    if (window_) window_->Label(dropped_.glOldPjName);
    if (why) Say(why);
    return !why;
}

void KwController::Execute(const std::string& typed, bool dryRun) {
    if (busy_) return; // one job at a time
    KwRequest request = dropped_;
    if (KwError refusal = AcceptExecute(typed, &request)) {
        last_ = {};
        last_.refusal = refusal;
        Say(refusal);
        return;
    }
    Start(request, dryRun);
}

void KwController::Start(const KwRequest& request, bool dryRun) {
    busy_ = true;
    if (window_) window_->Busy(true);
    job_ = std::thread([this, request, dryRun] { OnEnd(Run(request, dryRun), dryRun); });
}

// The job's thread ends here, whatever was thrown: nothing ends the program, and a job cut
// short may have written something.
KwResult KwController::Run(const KwRequest& request, bool dryRun) {
    Events events(this, request.glNewPjName);
    auto failed = [&](const KwText& why) {
        KwResult result;
        result.status = dryRun ? kKwRefused : kKwFailed;
        KwError error(why, request.glNewPjName);
        (dryRun ? result.refusal : result.failures.emplace_back()) = error;
        return result;
    };
    try {
        return dryRun ? KwDryRun(request) : ProjectKakikae(request, &events);
    } catch (const std::bad_alloc&) {
        return failed(kTxtWhyNoMemory);
    } catch (...) {
        return failed(kTxtUnexpected);
    }
}

void KwController::Wait() {
    if (job_.joinable()) job_.join();
}

bool KwController::MayClose() {
    if (!busy_) return true;
    closePending_ = true; // the copy is never left half-built by the window
    return false;
}

void KwController::OnProgress(size_t done, size_t total) {
    // The title need not change more often than it can be read.
    int64_t now = PlatTicks();
    if (!window_ || (done != 0 && done != total && now - shown_ < 50)) return;
    shown_ = now;
    port_->Post([this, done, total] { window_->Progress(done, total); });
}

void KwController::OnEnd(KwResult result, bool dryRun) {
    port_->Post([this, result = std::move(result), dryRun]() mutable {
        if (job_.joinable() && job_.get_id() != std::this_thread::get_id()) job_.join();
        // A dry run's plan is its caller's to show; a refusal says why.
        if (window_) window_->Ended();
        if (!dryRun || result.status == kKwRefused) {
            std::string text = KwEndText(result);
            KwBox kind = result.status == kKwDone     ? kBoxDone
                         : result.status == kKwFailed ? kBoxFailure
                                                      : kBoxRefusal;
            if (!text.empty()) port_->Box(text, kind);
        }
        // Only now: a press while the box was open must not start a job.
        last_ = std::move(result);
        busy_ = false;
        if (window_) window_->Busy(false);
        if (closePending_ && window_) window_->Close();
    });
}

std::string KwReplaceText(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::string> lines;
    for (const std::string& n : names)
        lines.push_back("　" + n);
    return KwSay(kTxtReplaceHead) + ("\r\n" + folder + "\r\n") + KwSay(kTxtReplaceList) +
           std::to_string(names.size()) + KwSay(kTxtReplaceUnit) +
           KwListText(lines, kKwReplacedShown);
}

std::string KwCodeText(const std::string& newName, const std::vector<KwCodePlaceIn>& places) {
    std::vector<std::string> lines;
    for (const KwCodePlaceIn& p : places)
        lines.push_back("　" + p.file + " " + KwSay(kTxtCodeLine) + std::to_string(p.place.line) +
                        KwSay(kTxtCodeLineEnd) + p.place.identifier + KwSay(kTxtCodeIdentEnd));
    return KwSay(kTxtCodeHead) + newName + KwSay(kTxtCodeHeadEnd) +
           KwListText(lines, kKwPlacesShown);
}
