// The decisions of the two user commands, drop and execute, apart from any window: the
// windows and the command line share them.
#pragma once

#include "engine/job.h"

#include <string>
#include <thread>
#include <vector>

// A drop of `path` (the first dropped item): sets glDropPath (the path resolved), looks for
// the project name, and gives the text the old-name label shows. A folder without a project
// file keeps the old name.
const std::string& OnDropPath(const std::string& path);

// The checks of a press of the execute button with `typed` in the edit field (`exact`: the
// ANSI code page holds what was typed exactly). nullptr when the job may run (the new name
// is then in glNewPjName and traced), else the refusal.
const char* AcceptExecute(const std::string& typed, bool exact = true);

// A whole press: the refusal box, or the job with its closing box.
KwJobStatus ExecuteCommand(const std::string& typed, bool exact = true,
                           std::vector<KwFailure>* failures = nullptr);

// A press in a window, whose thread must stay free for the window: the checks and their
// refusal box at once; then the job on a thread of its own, which calls `ended` from there
// when it is over. false when refused. FinishExecute, on the window's thread after `ended`,
// waits for the thread and shows the closing box.
struct KwJob {
    std::thread thread;
    KwJobStatus status = kKwRefused;
    std::string refusal;
    std::vector<KwFailure> failures;
};
bool StartExecute(const std::string& typed, bool exact, KwJob* job, void (*ended)());
KwJobStatus FinishExecute(KwJob* job);
