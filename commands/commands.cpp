#include "commands/commands.h"

#include "engine/mbcs.h"
#include "engine/pjname.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "engine/unicode.h"
#include "platform/platform.h"
#include "trace/trace.h"

const char* OnDropPath(const std::string& path) {
    if (glPlat.FullPath(path.c_str(), &glDropPath) != 0) glDropPath = path;
    // The project file itself, or any file of the project, stands for its folder.
    PlatFileId id;
    size_t sep = LastSepPos(glDropPath, kPlatSep, kPlatNamesCp932);
    if (glPlat.Identify(glDropPath.c_str(), &id) == 0 && !id.isDir && sep != std::string::npos &&
        sep > 0)
        glDropPath.resize(glDropPath[sep - 1] == ':' ? sep + 1 : sep);
    // A drop that finds no project is no project: the name of the one before must not stay.
    glOldPjName.clear();
    if (GetPjNameFromFolder(glDropPath, &glOldPjName) < 0) return kTxtCantList;
    return glOldPjName.empty() ? kTxtNoPjFile : nullptr;
}

const char* AcceptExecute(const std::string& typed) {
    if (glOldPjName.empty()) return kTxtNoProject;
    glNewPjName.clear();
    // In one form (NFC), and in the names' encoding as it truly is: never a best-fit form of
    // what was typed. Linux takes bytes that are not UTF-8 as they are.
    std::u32string chars;
    std::string name = typed;
    if (KwUtf8Decode(typed, &chars))
        name = KwUtf8Encode(KwNfc(chars));
    else if (kPlatNamesCp932)
        return kTxtNotCp932;
    if (!kPlatNamesCp932)
        glNewPjName = name;
    else if (PlatConvert(name, kEncUtf8, kEncAnsi, &glNewPjName) != 0)
        return kTxtNotCp932;
    if (glNewPjName.empty()) return kTxtNoNewName;
    DbgStr("● glNewPjName", glNewPjName);
    return nullptr;
}
