#include "ui/commands.h"

#include "engine/state.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "trace/trace.h"

namespace {

// The last drop was a folder that could not be read: saying "drop the project folder" then
// would send the user round in circles.
bool gDropUnreadable = false;

} // namespace

const std::string& OnDropPath(const std::string& path) {
    if (!glPlat.FullPath(path.c_str(), &glDropPath)) glDropPath = path;
    PlatFileId id;
    gDropUnreadable = GetPjNameFromFolder(glDropPath, &glOldPjName) < 0 &&
                      glPlat.Identify(glDropPath.c_str(), &id) && id.isDir;
    return glOldPjName;
}

const char* AcceptExecute(const std::string& typed, bool exact) {
    if (glOldPjName.empty()) return gDropUnreadable ? kTxtCantList : kTxtNoProject;
    if (!exact) { // never kept: it would be a best-fit form of what was typed
        glNewPjName.clear();
        return kTxtNotCp932;
    }
    glNewPjName = typed;
    if (glNewPjName.empty()) return kTxtNoNewName;
    DbgStr("● glNewPjName", glNewPjName);
    return nullptr;
}

KwJobStatus ExecuteCommand(const std::string& typed, bool exact, std::vector<KwFailure>* failures) {
    if (const char* refusal = AcceptExecute(typed, exact)) {
        glPlat.Box(refusal, kTxtCaption, kBoxTopmost);
        return kKwRefused;
    }
    return ProjectKakikae(failures);
}

bool StartExecute(const std::string& typed, bool exact, KwJob* job, void (*ended)()) {
    if (const char* refusal = AcceptExecute(typed, exact)) {
        glPlat.Box(refusal, kTxtCaption, kBoxTopmost);
        return false;
    }
    job->thread = std::thread([job, ended] {
        job->status = KwPlanAndRun(&job->refusal, &job->failures);
        ended();
    });
    return true;
}

KwJobStatus FinishExecute(KwJob* job) {
    job->thread.join();
    KwShowEnd(job->refusal, job->status, job->failures);
    return job->status;
}
