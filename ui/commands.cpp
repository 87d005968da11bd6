#include "ui/commands.h"

#include "engine/state.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "trace/trace.h"

const std::string& OnDropPath(const std::string& path) {
    glDropPath = path;
    GetPjNameFromFolder(glDropPath, &glOldPjName);
    return glOldPjName;
}

const char* AcceptExecute(const std::string& typed) {
    if (glOldPjName.empty()) return kTxtNoProject;
    glNewPjName = typed;
    if (glNewPjName.empty()) return kTxtNoNewName;
    DbgStr("● glNewPjName", glNewPjName);
    return nullptr;
}

KwJobStatus ExecuteCommand(const std::string& typed, std::vector<KwFailure>* failures) {
    if (const char* refusal = AcceptExecute(typed)) {
        glPlat.Box(refusal, kTxtCaption, kBoxTopmost);
        return kKwRefused;
    }
    return ProjectKakikae(failures);
}
