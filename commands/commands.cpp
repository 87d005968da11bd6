#include "commands/commands.h"

#include "commands/texts.h"
#include "engine/names.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "text/mbcs.h"
#include "text/unicode.h"
#include "trace/trace.h"

KwError OnDropPath(const std::string& path, KwRequest* request) {
    std::string& folder = request->glDropPath;
    if (glPlat.FullPath(path.c_str(), &folder) != 0) folder = path;
    // The project file itself, or any file of the project, stands for its folder.
    PlatFileId id;
    size_t sep = LastSepPos(folder, kPlatSep, kPlatNamesCp932);
    if (glPlat.Identify(folder.c_str(), &id) == 0 && !id.isDir && sep != std::string::npos &&
        sep > 0)
        folder.resize(folder[sep - 1] == ':' ? sep + 1 : sep);
    // The name of the project before must not stay.
    request->glOldPjName.clear();
    if (KwError e = GetPjNameFromFolder(folder, &request->glOldPjName)) return e;
    return request->glOldPjName.empty() ? KwError(kTxtNoPjFile) : KwError();
}

KwError AcceptExecute(const std::string& typed, KwRequest* request) {
    if (request->glOldPjName.empty()) return KwError(kTxtNoProject);
    std::string& name = request->glNewPjName;
    name.clear();
    // In one form (NFC), and in the names' encoding as it truly is: never a best-fit form of
    // what was typed. Linux takes bytes that are not UTF-8 as they are.
    std::u32string chars;
    std::string nfc = typed;
    if (KwUtf8Decode(typed, &chars))
        nfc = KwUtf8Encode(KwNfc(chars));
    else if (kPlatNamesCp932)
        return KwError(kTxtNotCp932);
    if (!kPlatNamesCp932)
        name = nfc;
    else if (PlatConvert(nfc, kEncUtf8, kEncAnsi, &name) != 0)
        return KwError(kTxtNotCp932);
    if (name.empty()) return KwError(kTxtNoNewName);
    DbgStr("● glNewPjName", name);
    return {};
}
