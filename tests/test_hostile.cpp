// Paths and names as hostile users and real file systems give them. Every row: the project is
// byte-identical afterwards, nothing outside the new folder changed (but the abandoned
// temporaries a run may clear), and the copy is right or its failures are reported.
#include "engine/job.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "tests/native.h"
#include "tests/support.h"
#include "ui/commands.h"

#include <algorithm>
#include <functional>

namespace {

enum Where { kAll, kWin, kLinux };

// A file with its content, or "<dir>", "<pipe>", "<zero>" (a link to /dev/zero), "<held>" (a
// marker this test holds, as a live run would), "<link:PATH>" (a link to PATH in the row).
struct Item {
    const char8_t* name;
    std::string content;
};

struct Row {
    const char* what;
    Where where;
    std::vector<Item> project; // in the folder `folder`
    std::vector<Item> beside;  // beside it
    const char* drop;          // as typed, relative to the working folder
    const char* newName;
    KwJobStatus status;
    std::vector<Item> want;             // the new folder afterwards
    std::vector<const char8_t*> failed; // reported
    std::vector<const char*> gone = {}; // paths beside, removed as abandoned temporaries
    const char* cwd = ".";              // the working folder, in the row's folder
    const char8_t* folder = u8"Proj";
    std::function<void(const std::string& row)> before = nullptr;
};

const std::string kMarkerFolder = std::string(".~kw1a-3") + kPlatSep;

std::vector<Row> Rows() {
    const Item pj = {u8"Proj.pj", "Proj"};
    const Item newPj = {u8"New.pj", "New"};
    return {
        {"a relative path", kAll, {pj}, {}, "Proj", "New", kKwDone, {newPj}, {}},
        {"the project folder as \".\"",
         kAll,
         {pj},
         {},
         ".",
         "New",
         kKwDone,
         {newPj},
         {},
         {},
         "Proj"},
        {"a \"..\" component",
         kAll,
         {pj, {u8"sub", "<dir>"}},
         {},
         "Proj/sub/..",
         "New",
         kKwDone,
         {newPj},
         {}},
        {"a trailing separator", kAll, {pj}, {}, "Proj/", "New", kKwDone, {newPj}, {}},
        {"mixed separators",
         kWin,
         {pj, {u8"sub", "<dir>"}},
         {},
         "Proj\\sub/../",
         "New",
         kKwDone,
         {newPj},
         {}},
        {"names the code page can't hold",
         kWin,
         {pj, {u8"x¥..¥..¥Work¥data.bin", "Proj"}, {u8"café.txt", "Proj"}},
         {{u8"Work", "<dir>"}, {u8"Work/data.bin", "mine"}},
         "Proj",
         "New",
         kKwFailed,
         {newPj},
         {u8"x¥..¥..¥Work¥data.bin", u8"café.txt"}},
        {"the same names on Linux: bytes",
         kLinux,
         {pj, {u8"x¥..¥..¥Work¥data.bin", "Proj"}, {u8"café.txt", "Proj"}},
         {{u8"Work", "<dir>"}, {u8"Work/data.bin", "mine"}},
         "Proj",
         "New",
         kKwDone,
         {newPj, {u8"x¥..¥..¥Work¥data.bin", "Proj"}, {u8"café.txt", "New"}},
         {}},
        {"trailing space and dot",
         kWin,
         {pj, {u8"Proj.wbp", "Proj"}, {u8"Proj.wbp ", "evil"}, {u8"Proj.txt.", "x"}},
         {{u8"New", "<dir>"}, {u8"New/New.wbp", "stale"}},
         "Proj",
         "New",
         kKwFailed,
         {newPj, {u8"New.wbp", "New"}},
         {u8"Proj.wbp ", u8"Proj.txt."}},
        {"trailing space and dot on Linux",
         kLinux,
         {pj, {u8"Proj.wbp", "Proj"}, {u8"Proj.wbp ", "evil"}, {u8"Proj.txt.", "x"}},
         {{u8"New", "<dir>"}, {u8"New/New.wbp", "stale"}},
         "Proj",
         "New",
         kKwDone,
         {newPj, {u8"New.wbp", "New"}, {u8"New.wbp ", "evil"}, {u8"New.txt.", "x"}},
         {}},
        {"temporaries beside: only the abandoned one goes",
         kAll,
         {pj},
         {{u8".~kw1a-3", "<dir>"},
          {u8".~kw1a-3/.~kw-lock", ""},
          {u8".~kw1a-3/New.pj", "half"},
          {u8".~kw1a-4", "<dir>"},
          {u8".~kw1a-4/.~kw-lock", "<held>"},
          {u8".~kw1a-5", "<dir>"},
          {u8".~kw1a-5/New.pj", "no marker"},
          {u8".~kw1a-6", "<dir>"},
          {u8".~kw1a-6/.~kw-lock", "k"}},
         "Proj",
         "New",
         kKwDone,
         {newPj},
         {},
         {".~kw1a-3"}},
        {"the dropped folder looks abandoned",
         kAll,
         {{u8".~kw-lock", ""}, {u8"X.pj", "X"}},
         {},
         ".~kw2-1",
         "Y",
         kKwFailed,
         {{u8"Y.pj", "Y"}},
         {u8".~kw-lock"},
         {},
         ".",
         u8".~kw2-1"},
        {"a copy reported before is kept",
         kAll,
         {pj},
         {},
         "Proj",
         "Second",
         kKwDone,
         {{u8"Second.pj", "Second"}},
         {},
         {},
         ".",
         u8"Proj",
         [](const std::string& row) {
             // A first run whose copy can't get its name is left where it was built.
             static PlatCalls real;
             real = glPlat;
             glPlat.Rename = [](const char* a, const char* b, int replace) {
                 return replace ? real.Rename(a, b, replace) : 5;
             };
             OnDropPath(Join(row, "Proj"));
             EXPECT_EQ(ExecuteCommand("First"), kKwFailed);
             glPlat = real;
         }},
        {"a folder named *.pj and a bare .pj",
         kAll,
         {{u8"Backup.pj", "<dir>"}, {u8".pj", "x"}, pj},
         {},
         "Proj",
         "New",
         kKwDone,
         {{u8".pj", "x"}, newPj},
         {}},
        {"short names",
         kAll,
         {pj, {u8"ab", "a"}, {u8"1", "b"}, {u8"表", "c"}},
         {},
         "Proj",
         "New",
         kKwDone,
         {newPj, {u8"ab", "a"}, {u8"1", "b"}, {u8"表", "c"}},
         {}},
        {"a pipe and a device",
         kAll,
         {pj, {u8"Proj.wnd", "<pipe>"}, {u8"zero.txt", "<zero>"}},
         {},
         "Proj",
         "New",
         kKwFailed,
         {newPj},
         {u8"Proj.wnd", u8"zero.txt"}},
        {"a new name shaped like a temporary",
         kAll,
         {pj},
         {},
         "Proj",
         ".~kw1-2",
         kKwRefused,
         {},
         {}},
        {"the new folder a link into the project",
         kAll,
         {pj, {u8"sub", "<dir>"}},
         {{u8"New", "<link:Proj/sub>"}},
         "Proj",
         "New",
         kKwRefused,
         {},
         {}},
    };
}

class Hostile : public TempTest {
  protected:
    void Make(const std::string& dir, const Item& item) {
        std::string path = Join(dir, Listed(item.name));
        for (char& c : path)
            if (c == '/') c = kPlatSep;
        const std::string& c = item.content;
        if (c == "<dir>")
            MakeDir(path);
        else if (c == "<pipe>")
            MakePipe(path);
        else if (c == "<zero>")
            MakeLink("/dev/zero", path);
        else if (c.rfind("<link:", 0) == 0)
            MakeLink(Join(dir, c.substr(6, c.size() - 7)), path);
        else if (c == "<held>")
            held_.push_back(glPlat.HoldMarker(path.c_str(), 1));
        else
            MakeNamedFile(dir, item.name, c);
    }
    std::vector<PlatFile> held_;
};

TEST_F(Hostile, PathsAndNames) {
    std::string cwd = CurrentDir();
    int n = 0;
    for (const Row& r : Rows()) {
        if (r.where == (kPlatSep == '/' ? kWin : kLinux)) continue;
        SCOPED_TRACE(r.what);
        std::string row = Join(root_, "r" + std::to_string(n++));
        MakeDir(row);
        std::string dir = Join(row, Listed(r.folder));
        MakeDir(dir);
        for (const Item& i : r.project)
            Make(dir, i);
        for (const Item& i : r.beside)
            Make(row, i);
        if (r.before) r.before(row);
        auto before = Snapshot(row);
        gBoxes.clear();

        ChangeDir(Join(row, r.cwd));
        glOldPjName.clear();
        OnDropPath(r.drop);
        std::vector<KwFailure> failures;
        EXPECT_EQ(ExecuteCommand(r.newName, true, &failures), r.status);
        ChangeDir(cwd);

        // Outside the new folder, all is as it was, but the temporaries that had to go.
        auto after = Snapshot(row);
        for (PlatFile f : held_)
            glPlat.Close(f);
        held_.clear();
        std::map<std::string, std::string> copy;
        std::string prefix = std::string(r.newName) + "/";
        for (auto it = after.begin(); it != after.end();)
            if (it->first.rfind(prefix, 0) == 0) {
                copy[it->first.substr(prefix.size())] = it->second;
                it = after.erase(it);
            } else {
                ++it;
            }
        after.erase(r.newName);
        for (auto it = before.begin(); it != before.end();) {
            bool gone = false;
            for (const char* g : r.gone)
                gone = gone || it->first.rfind(g, 0) == 0;
            EXPECT_FALSE(gone && after.count(it->first)) << it->first << " was not removed";
            it = gone || it->first.rfind(prefix, 0) == 0 || it->first == r.newName
                     ? before.erase(it)
                     : std::next(it);
        }
        EXPECT_EQ(after, before);

        std::map<std::string, std::string> want;
        for (const Item& i : r.want)
            want[Listed(i.name)] = i.content;
        EXPECT_EQ(copy, r.status == kKwRefused ? decltype(want){} : want);
        std::vector<std::string> failed, wantFailed;
        for (const KwFailure& f : failures)
            failed.push_back(f.name);
        for (const char8_t* f : r.failed)
            wantFailed.push_back(Listed(f));
        std::sort(failed.begin(), failed.end()); // in the file system's order
        std::sort(wantFailed.begin(), wantFailed.end());
        EXPECT_EQ(failed, wantFailed) << (gBoxes.empty() ? "" : gBoxes.back().text);
    }
}

} // namespace
