// One controller for the windows' jobs and the command line's: the drop, the press, the job on
// a thread of its own while the front end's thread stays free, the questions it asks, its
// progress and its end, a close while it runs. Each front end gives it a port.
#pragma once

#include "engine/job.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

// What a run may ask before it writes anything: whether the new name may go where the program
// would no longer compile, and whether files of an existing new folder may be replaced.
enum KwQuestion { kAskCode, kAskReplace };

// What a box says: a job done, why nothing was done, the files a job could not copy, and the
// box of the first file of a run that can't be created (the only one not kept on top).
enum KwBox { kBoxDone, kBoxRefusal, kBoxFailure, kBoxWriteFailed };

// What every front end gives the controller. Called on the front end's own thread.
struct KwPort {
    virtual ~KwPort() = default;
    // A box owned by the window (the command line: a line); the name field has the focus again
    // afterwards.
    virtual void Box(const std::string& text, KwBox kind) = 0;
    // A Yes/No question owned by the window, No the default: true for Yes. The front end ends
    // it with words of its own: what a No does, or what the command line takes for a Yes.
    virtual bool Ask(const std::string& question, KwQuestion kind) = 0;
    // Runs fn on the front end's own thread, soon, in order. The command line has no loop of
    // its own to run it in: it runs it at once, on the thread that asks.
    virtual void Post(std::function<void()> fn) = 0;
};

// What a window gives besides.
struct KwWindowPort : KwPort {
    // While a job runs: ③ disabled, the wait cursor and 確認中 in the title; afterwards ③
    // enabled again (once the job's box is closed).
    virtual void Busy(bool busy) = 0;
    // The job is over, its box to come: the title and the pointer as before.
    virtual void Ended() = 0;
    // Files done of those to copy, in the title (and on the taskbar).
    virtual void Progress(size_t done, size_t total) = 0;
    // The old-name label: the name, or hidden for "".
    virtual void Label(const std::string& name) = 0;
    // A close that waited for the job: the window goes now.
    virtual void Close() = 0;
};

class KwController final {
  public:
    explicit KwController(KwPort* port, KwWindowPort* window = nullptr)
        : port_(port), window_(window) {}
    ~KwController();

    // A drop (or a folder given at start); `exact`: the ANSI code page holds the path exactly.
    // Whether a project was found.
    bool Drop(const std::string& path, bool exact = true);
    // A press of the execute button with `typed` (UTF-8) in the name field: the job, or with
    // `dryRun` the plan of it, on a thread of its own. Its end comes as a box, or as the plan.
    void Execute(const std::string& typed, bool dryRun = false);
    // Until the job has ended and its end was handled (the command line).
    void Wait();
    // Whether the window may close now; else it closes once the job and its box have ended.
    bool MayClose();
    bool Busy() const { return busy_; }
    // How the last job ended (kKwRefused also for a refusal before it started).
    const KwResult& Last() const { return last_; }

  private:
    class Events; // what the job tells the controller, on the job's thread
    void Start(const KwRequest& request, bool dryRun);
    KwResult Run(const KwRequest& request, bool dryRun);
    // Runs f on the front end's thread and waits for its result.
    template <typename F> auto OnFront(F f) -> decltype(f());
    void Say(const KwError& error);
    void OnProgress(size_t done, size_t total);
    void OnEnd(KwResult result, bool dryRun);

    KwPort* port_;
    KwWindowPort* window_;
    KwRequest dropped_; // the project of the last drop
    bool busy_ = false, closePending_ = false;
    KwResult last_;
    std::thread job_;
    int64_t shown_ = 0; // when progress was last posted, in milliseconds
};

// The question before files of an existing new folder are replaced: the folder, how many, and
// the first ten of them.
std::string KwReplaceText(const std::string& folder, const std::vector<std::string>& names);
// The question before the new name goes into identifiers: the name, and the first ten places.
std::string KwCodeText(const std::string& newName, const std::vector<KwCodePlaceIn>& places);
