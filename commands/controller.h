// One controller for a window's job, and for the command line's: the drop, the press, the job
// on a thread of its own (a window's) or on the caller's (the command line), the questions it
// asks, its progress and its end, a close while it runs. Each front end gives it a port.
#pragma once

#include "engine/run.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

// What a front end gives the controller. Called on the front end's own thread.
struct KwPort {
    virtual ~KwPort() = default;
    // A modal box owned by the window; the name field has the focus again afterwards.
    virtual void Box(const std::string& text, const char* caption, unsigned flags) = 0;
    // A modal Yes/No question owned by the window, No the default: true for Yes.
    virtual bool Ask(const std::string& question) = 0;
    // While a job runs: ③ disabled and the wait cursor; afterwards enabled, the title restored.
    virtual void Busy(bool busy) = 0;
    // Files done of those to copy, in the title (and on the taskbar).
    virtual void Progress(size_t done, size_t total) = 0;
    // Runs fn on the front end's own thread, soon, in order.
    virtual void Post(std::function<void()> fn) = 0;
    // The old-name label: the name, or hidden for "".
    virtual void Label(const std::string& name) = 0;
    // A close that waited for the job: the window goes now.
    virtual void Close() = 0;
};

// Message box flags, the values of the Windows ones.
inline constexpr unsigned kBoxOk = 0x00000000;
inline constexpr unsigned kBoxTopmost = 0x00040000;

class KwController final {
  public:
    // threaded: the job runs on a thread of its own while the front end's thread stays free.
    KwController(KwPort* port, bool threaded) : port_(port), threaded_(threaded) {}
    ~KwController();

    // A drop (or a folder given at start); `exact`: the ANSI code page holds the path exactly.
    void Drop(const std::string& path, bool exact = true);
    // A press of the execute button with `typed` (UTF-8) in the name field.
    void Execute(const std::string& typed);
    // Whether the window may close now; else it closes once the job and its box have ended.
    bool MayClose();
    bool Busy() const { return busy_; }
    // How the last job ended (kKwRefused also for a refusal before it started).
    KwJobStatus Status() const { return status_; }
    const KwResult& Last() const { return last_; }

  private:
    class Events; // what the job tells the controller, on the job's thread
    void Run();
    // Runs f on the front end's thread and waits for its result.
    template <typename F> auto OnFront(F f) -> decltype(f());
    void OnProgress(size_t done, size_t total);
    void OnCreateFailed();
    bool OnMayReplace(const std::string& folder, const std::vector<std::string>& names);
    void OnEnd(const KwResult& result);

    KwPort* port_;
    bool threaded_;
    bool busy_ = false, closePending_ = false;
    KwJobStatus status_ = kKwRefused;
    KwResult last_;
    std::thread job_;
    int64_t shown_ = 0; // when progress was last posted, in milliseconds
};

// The question before files of an existing new folder are replaced: the folder, how many, and
// the first ten of them.
std::string KwReplaceText(const std::string& folder, const std::vector<std::string>& names,
                          const char* head, const char* tail);
