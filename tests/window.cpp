#include "tests/window.h"

#include "commands/texts.h"
#include "engine/texts.h"
#include "tests/support.h"
#include "ui/layout.h"

#include <algorithm>

namespace {

enum Op { kDrop, kType, kKey, kPress, kShows, kFocus, kLayout, kCopied, kWrite, kAnswer, kField };
struct Step {
    Op op;
    std::string arg = "";                  // folders (| between), typed text, a file, yes/no
    std::vector<const KwText*> boxes = {}; // the start of each box it brings
    const char* want = nullptr;            // the label, the focused control, a file's content
};

// A path of the scenario's, "/" between names.
std::string Path(const std::string& root, std::string rel) {
    std::replace(rel.begin(), rel.end(), '/', kPlatSep);
    return Join(root, rel);
}

} // namespace

void RunWindowScenario(WindowDriver* w, const std::string& root) {
    // clang-format off
    for (const char* dir : {"First", "Second", "Plain", "Proj", "Src", "Dst", "Dst/Dst.ico", "Code"})
        MakeDir(Path(root, dir));
    for (const char* file : {"First/First.pj", "First/First.wnd", "Second/Second.pj", "Plain/readme.txt", "Proj/Proj.pj",
                             "Proj/Proj.txt", "Proj/Next.txt", "Src/Src.pj", "Src/Src.ico", "Code/Code.pj", "Code/Code.abp"})
        WriteFile(Path(root, file), std::string(file).substr(0, std::string(file).find('/')));
    const Step steps[] = {
        {kLayout}, {kFocus, "", {}, "1003"},
        {kType, "Whatever"}, {kPress, "", {&kTxtNoProject}},
        // Several folders at once: the first counts.
        {kDrop, "First|Second"}, {kShows, "", {}, "First"}, {kType, ""}, {kPress, "", {&kTxtNoNewName}},
        // Enter in the name field runs the job; the box names the new folder.
        {kType, "Renamed"}, {kKey, "enter", {&kTxtDone}}, {kCopied, "Renamed/Renamed.wnd", {}, "Renamed"},
        // Into the copy again: asked first, No the default, and No writes nothing. Tab reaches ③,
        // Space presses it.
        {kWrite, "Renamed/Renamed.wnd", {}, "mine"}, {kKey, "tab"}, {kFocus, "", {}, "1000"},
        {kKey, "space", {&kTxtReplaceHead}}, {kCopied, "Renamed/Renamed.wnd", {}, "mine"},
        {kAnswer, "yes"}, {kPress, "", {&kTxtReplaceHead, &kTxtDone}}, {kCopied, "Renamed/Renamed.wnd", {}, "Renamed"},
        {kAnswer, "no"},
        // Another project's name replaces the shown one; a folder without one clears it and says
        // why; the project file stands for its folder.
        {kDrop, "Second"}, {kShows, "", {}, "Second"}, {kDrop, "Plain", {&kTxtNoPjFile}}, {kShows, "", {}, ""},
        {kType, "Trap"}, {kPress, "", {&kTxtNoProject}}, {kDrop, "Second/Second.pj"}, {kShows, "", {}, "Second"},
        // Refusals reach the user.
        {kDrop, "Proj"}, {kType, "Proj"}, {kPress, "", {&kTxtSameFolder}}, {kType, "a|b"}, {kPress, "", {&kTxtBadName}},
        {kType, "CON"}, {kPress, "", {&kTxtBadName}},
        {kType, "Next"}, {kPress, "", {&kTxtCollision}}, // Proj.txt and Next.txt would be Next.txt
        {kType, reinterpret_cast<const char*>(u8"Café")}, {kPress, "", {&kTxtNotCp932}},
        // A name that is no identifier would land in program code: asked first; No writes nothing,
        // and the name stays in the field.
        {kDrop, "Code"}, {kType, "My-App"}, {kPress, "", {&kTxtCodeHead}}, {kCopied, "My-App/My-App.pj", {}, "<missing>"},
        {kField, "", {}, "My-App"},
        // A failed file is listed.
        {kDrop, "Src"}, {kType, "Dst"}, {kPress, "", {&kTxtFailedHead}},
    };
    // clang-format on
    std::string typed;
    for (const Step& s : steps) {
        SCOPED_TRACE("step " + std::to_string(&s - steps) + ": " + s.arg.substr(0, 20));
        std::vector<std::string> paths;
        for (size_t at = 0, bar; at < s.arg.size(); at = bar + 1) {
            bar = std::min(s.arg.find('|', at), s.arg.size());
            paths.push_back(Path(root, s.arg.substr(at, bar - at)));
        }
        std::vector<SeenBox> boxes;
        switch (s.op) {
        case kDrop: boxes = w->Drop(paths); break;
        case kType: w->Type(typed = s.arg); break;
        case kKey:
            boxes = w->Key(s.arg == "enter" ? kKeyEnter : s.arg == "tab" ? kKeyTab : kKeySpace);
            break;
        case kPress: boxes = w->Press(); break;
        case kShows: EXPECT_EQ(w->Label(), s.want); break;
        case kFocus: EXPECT_EQ(w->Focus(), std::stoi(s.want)); break;
        case kCopied: EXPECT_EQ(ReadFile(paths[0]), s.want); break;
        case kWrite: WriteFile(paths[0], s.want); break;
        case kAnswer: w->yes = s.arg == "yes"; break;
        case kField: EXPECT_EQ(w->Text(kIdNewName), s.want); break;
        case kLayout:
            for (const ControlSpec& c : kControlSpecs) {
                EXPECT_EQ(w->Geometry(c.id), (std::vector<int>{c.x, c.y, c.w, c.h})) << c.id;
                EXPECT_TRUE(c.kind == kEdit || c.id == kIdOldName || w->Text(c.id) == c.text)
                    << c.id;
            }
            EXPECT_EQ(w->Label(), "");
        }
        // Each box owned by the window, on top, its caption the program's; a question asks
        // Yes or No with No the default; the completion names the new folder. Afterwards
        // typing goes to the name again.
        ASSERT_EQ(boxes.size(), s.boxes.size());
        for (size_t k = 0; k < boxes.size(); ++k) {
            const SeenBox& b = boxes[k];
            EXPECT_EQ(b.text.rfind(KwSay(*s.boxes[k]), 0), 0u) << b.text;
            EXPECT_EQ(b.caption, kTxtCaption);
            EXPECT_TRUE(b.owned && b.topmost);
            EXPECT_EQ(b.question, s.boxes[k] == &kTxtReplaceHead || s.boxes[k] == &kTxtCodeHead);
            EXPECT_EQ(b.warning, s.boxes[k] == &kTxtFailedHead);
            // A question comes while the job checks (確認中 in the title); at a job's end the title
            // is as before, and ③ can be pressed again only once the box is closed.
            EXPECT_EQ(b.title == kWindowTitle, !b.question) << b.title;
            if (s.boxes[k] == &kTxtDone || s.boxes[k] == &kTxtFailedHead) {
                EXPECT_FALSE(b.pressable);
            }
            if (s.boxes[k] == &kTxtDone || s.boxes[k] == &kTxtFailedHead) { // where the copy is
                EXPECT_NE(b.text.find(Path(root, typed)), std::string::npos) << b.text;
            }
        }
        if (!boxes.empty()) {
            EXPECT_EQ(w->Focus(), kIdNewName);
        }
    }
}
