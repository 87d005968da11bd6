#include "tests/window.h"

#include "engine/texts.h"
#include "tests/support.h"
#include "ui/layout.h"

#include <algorithm>

namespace {

enum Op { kDrop, kType, kEnter, kPress, kShows, kLayout, kCopied };
struct Step {
    Op op;
    std::string arg = "";         // folders (| between), typed text, a file of the copy
    const char* expect = nullptr; // the start of the one box, the label, the file's content
};

// A path of the scenario's, "/" between names.
std::string Path(const std::string& root, std::string rel) {
    std::replace(rel.begin(), rel.end(), '/', kPlatSep);
    return Join(root, rel);
}

} // namespace

void RunWindowScenario(WindowDriver* w, const std::string& root) {
    // clang-format off
    for (const char* dir : {"First", "Second", "Plain", "Proj", "Src", "Dst", "Dst/Dst.ico"})
        MakeDir(Path(root, dir));
    for (const char* file : {"First/First.pj", "First/First.wnd", "Second/Second.pj", "Plain/readme.txt", "Proj/Proj.pj",
                             "Proj/Proj.txt", "Proj/Next.txt", "Src/Src.pj", "Src/Src.ico"})
        WriteFile(Path(root, file), std::string(file).substr(0, std::string(file).find('/')));
    // clang-format on
    // clang-format off
    const Step steps[] = {
        {kLayout},
        {kType, "Whatever"}, {kPress, "", kTxtNoProject},
        // Several folders at once: the first counts.
        {kDrop, "First|Second"}, {kShows, "", "First"}, {kType, ""}, {kPress, "", kTxtNoNewName},
        {kType, "Renamed"}, {kEnter}, {kPress, "", kTxtDone}, {kCopied, "Renamed/Renamed.wnd", "Renamed"},
        // Another project's name replaces the shown one; a folder without one, or a file, keeps it.
        {kDrop, "Second"}, {kShows, "", "Second"}, {kDrop, "Plain"}, {kShows, "", "Second"},
        {kDrop, "Second/Second.pj"}, {kShows, "", "Second"}, {kType, "Other"}, {kPress, "", kTxtCantList},
        // Refusals reach the user.
        {kDrop, "Proj"}, {kType, "Proj"}, {kPress, "", kTxtSameFolder}, {kType, "a|b"}, {kPress, "", kTxtBadName},
        {kType, "CON"}, {kPress, "", kTxtBadName},
        {kType, "Next"}, {kPress, "", kTxtCollision}, // Proj.txt and Next.txt would be Next.txt
        {kType, reinterpret_cast<const char*>(u8"Café")}, {kPress, "", kTxtNotCp932},
        // A failed file is listed.
        {kDrop, "Src"}, {kType, "Dst"}, {kPress, "", kTxtFailedHead},
    };
    // clang-format on
    bool shown = false;
    for (const Step& s : steps) {
        SCOPED_TRACE("step " + std::to_string(&s - steps) + ": " + s.arg.substr(0, 20));
        std::vector<std::string> paths;
        for (size_t at = 0, bar; at < s.arg.size(); at = bar + 1) {
            bar = std::min(s.arg.find('|', at), s.arg.size());
            paths.push_back(Path(root, s.arg.substr(at, bar - at)));
        }
        switch (s.op) {
        case kDrop: w->Drop(paths); break;
        case kType: w->Type(s.arg); break;
        case kEnter: EXPECT_TRUE(w->Enter().empty()); break;
        case kPress: {
            std::vector<SeenBox> boxes = w->Press();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text.rfind(s.expect, 0), 0u) << boxes[0].text;
            EXPECT_EQ(boxes[0].caption, kTxtCaption);
            EXPECT_TRUE(boxes[0].owned && boxes[0].topmost);
            break;
        }
        case kShows:
            EXPECT_EQ(w->Label(), s.expect);
            shown = true;
            break;
        case kCopied: EXPECT_EQ(ReadFile(paths[0]), s.expect); break;
        case kLayout:
            for (const ControlSpec& c : kControlSpecs) {
                EXPECT_EQ(w->Geometry(c.id), (std::vector<int>{c.x, c.y, c.w, c.h})) << c.id;
                EXPECT_TRUE(c.kind == kEdit || c.id == kIdOldName || w->Text(c.id) == c.text)
                    << c.id;
            }
            EXPECT_TRUE(shown || w->Label().empty());
        }
    }
}
