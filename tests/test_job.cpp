#include "engine/job.h"
#include "engine/state.h"
#include "engine/texts.h"

#include "tests/support.h"

#include <functional>

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

class Job : public TempTest {
  protected:
    // A drop of `dir`, `newName` typed, the execute button pressed.
    KwJobStatus Run(const std::string& dir, const std::string& newName) {
        glDropPath = dir;
        GetPjNameFromFolder(dir, &glOldPjName);
        glNewPjName = newName;
        return ProjectKakikae(&failures_);
    }
    std::string Out(const std::string& name) { return Join(root_, name); }
    std::vector<KwFailure> failures_;
};

TEST_F(Job, FindsTheProjectName) {
    struct Row {
        Files files;
        std::string before, want;
    } rows[] = {
        {{{"Sample.pj", ""}}, "", "Sample"},
        {{{"Ab.pj", ""}}, "LongProjectName", "Ab"},
        {{{"a.b.pj", ""}}, "", "a"},
        {{{"a.PJ", ""}}, "", "a"},
        {{{"readme.txt", ""}, {"x.pjx", ""}}, "Kept", "Kept"},
    };
    int n = 0;
    for (const Row& r : rows) {
        std::string dir = MakeProject("p" + std::to_string(n++), r.files);
        std::string name = r.before;
        GetPjNameFromFolder(dir, &name);
        EXPECT_EQ(name, r.want) << dir;
    }
    std::string name = "Kept";
    GetPjNameFromFolder(Join(root_, "missing"), &name);
    EXPECT_EQ(name, "Kept");
}

TEST_F(Job, CopiesAndRewritesTheProject) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old project\r\nOld.wnd\r\n"},
                                          {"Old.wnd", "window of Old"},
                                          {"Main.sbp", "' Old main\r\nOldOld\r\n"},
                                          {"icon.ico", std::string("\0\0\1\0Old\xFF", 8)},
                                          {"x.Txt", "Old"},
                                          {"y.ABP", "Old"},
                                          {"Makefile", "Old"},
                                          {"notes.doc", "Old"},
                                          {".gitignore", "Old"},
                                          {"Old.bak.txt", "Old"},
                                          {"ab", "two bytes"},
                                          {"Old.verylongext", "Old"}});
    ASSERT_EQ(Run(dir, "New"), kKwDone);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].text, kTxtDone);
    EXPECT_EQ(gBoxes[0].caption, "Kesterlwick");
    EXPECT_EQ(gBoxes[0].flags, kBoxTopmost);
    std::map<std::string, std::string> want = {
        {"New.pj", "New project\r\nNew.wnd\r\n"},
        {"New.wnd", "window of New"},
        {"Main.sbp", "' New main\r\nNewNew\r\n"},
        {"icon.ico", std::string("\0\0\1\0Old\xFF", 8)},
        {"x.Txt", "New"},
        {"y.ABP", "New"},
        {"Makefile", "Old"},
        {"notes.doc", "Old"},
        {".gitignore", "Old"},
        {"New.bak.txt", "New"},
        {"New.verylongext", "Old"},
        {"ab", "two bytes"},
    };
    EXPECT_EQ(Snapshot(Out("New")), want);

    // A second run gives the same folder; other files there stay.
    WriteFile(Join(Out("New"), "mine.txt"), "kept");
    WriteFile(Join(Out("New"), "New.wnd"), "stale");
    ASSERT_EQ(Run(dir, "New"), kKwDone);
    want["mine.txt"] = "kept";
    EXPECT_EQ(Snapshot(Out("New")), want);
}

TEST_F(Job, TextTypeIsTheOriginalsExtension) {
    std::string dir = MakeProject("p", {{"p.pj", "p p"}, {"res.p", "p"}});
    ASSERT_EQ(Run(dir, "Q.txt"), kKwDone);
    EXPECT_EQ(Snapshot(Out("Q.txt")), (std::map<std::string, std::string>{
                                          {"Q.txt.Q.txtj", "Q.txt Q.txt"}, {"res.Q.txt", "p"}}));
}

TEST_F(Job, EmptyProjectFolderGetsAnEmptyFolder) {
    std::string dir = MakeProject("Empty", {});
    glOldPjName = "Empty";
    glDropPath = dir;
    glNewPjName = "Full";
    ASSERT_EQ(ProjectKakikae(), kKwDone);
    EXPECT_TRUE(Exists(Out("Full")));
    EXPECT_TRUE(Snapshot(Out("Full")).empty());
    EXPECT_EQ(gBoxes.at(0).text, kTxtDone);
}

TEST_F(Job, NewNameHoldingTheOldName) {
    std::string dir = MakeProject("MyApp", {{"MyApp.pj", "MyApp MyApp"}, {"MyApp.ico", "MyApp"}});
    ASSERT_EQ(Run(dir, "MyApp2"), kKwDone);
    EXPECT_EQ(Snapshot(Out("MyApp2")),
              (std::map<std::string, std::string>{{"MyApp2.pj", "MyApp2 MyApp2"},
                                                  {"MyApp2.ico", "MyApp"}}));
}

TEST_F(Job, ContentIsMatchedInItsOwnEncoding) {
    const std::string kCp932 = "\x83\x65\x83\x58\x83\x67";            // テスト
    const std::string kUtf8 = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"; // テスト
    const std::string kNewCp932 = "\x90\x56";                         // 新
    const std::string kNewUtf8 = "\xE6\x96\xB0";
    const std::string& fsOld = kPlatNamesCp932 ? kCp932 : kUtf8;
    const std::string& fsNew = kPlatNamesCp932 ? kNewCp932 : kNewUtf8;
    std::string dir = MakeProject(fsOld, {{fsOld + ".pj", "' " + kCp932 + "\r\n"},
                                          {"u.txt", "// " + kUtf8 + " " + kUtf8},
                                          {"mixed.txt", "\x83\x41"
                                                        "bc Abc"}, // アbc Abc, CP932
                                          {"Main.sbp", "Abc"}});
    ASSERT_EQ(Run(dir, fsNew), kKwDone);
    std::map<std::string, std::string> want = {
        {fsNew + ".pj", "' " + kNewCp932 + "\r\n"},
        {"u.txt", "// " + kNewUtf8 + " " + kNewUtf8},
        {"mixed.txt", "\x83\x41"
                      "bc Abc"},
        {"Main.sbp", "Abc"},
    };
    EXPECT_EQ(Snapshot(Out(fsNew)), want);

    // An ASCII old name inside CP932 text only matches on character boundaries.
    std::string abc = MakeProject("Abc", {{"Abc.pj", "\x83\x41"
                                                     "bc Abc"}});
    ASSERT_EQ(Run(abc, "xyz"), kKwDone);
    EXPECT_EQ(ReadFile(Join(Out("xyz"), "xyz.pj")), "\x83\x41"
                                                    "bc xyz");
}

TEST_F(Job, JapaneseFolderWithSeparatorByteInItsName) {
    // ソフト holds the byte 5C in CP932; the new folder must still land beside it.
    std::string soft =
        kPlatNamesCp932 ? "\x83\x5C\x83\x74\x83\x67" : "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88";
    MakeDir(Join(root_, soft));
    std::string dir = Join(soft, "Proj");
    MakeProject(dir, {{"Proj.pj", "Proj"}});
    ASSERT_EQ(Run(Join(root_, dir), "Next"), kKwDone);
    EXPECT_EQ(ReadFile(Join(Join(Join(root_, soft), "Next"), "Next.pj")), "Next");
}

TEST_F(Job, SubfoldersAreSkippedNotFailed) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"},
                                          {"Backup.txt", "<dir>"},
                                          {"Old.res", "<dir>"},
                                          {Join("Old.res", "inner.txt"), "Old"}});
    ASSERT_EQ(Run(dir, "New"), kKwDone);
    EXPECT_EQ(Snapshot(Out("New")), (std::map<std::string, std::string>{{"New.pj", "New"}}));
}

TEST_F(Job, ZeroByteInTextIsCarried) {
    std::string dir = MakeProject("Old", {{"Old.pj", std::string("Old\0Old", 7)}});
    ASSERT_EQ(Run(dir, "N"), kKwDone);
    EXPECT_EQ(ReadFile(Join(Out("N"), "N.pj")), std::string("N\0N", 3));
}

TEST_F(Job, RefusalsWriteNothing) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"Old.txt", "a"}, {"New.txt", "b"}});
    WriteFile(Out("AFile"), "in the way");
    struct Row {
        std::string newName;
        const char* why;
    } rows[] = {
        {"Old", kTxtSameFolder},
        {"a/b", kTxtBadName},
        {"a\\b", kTxtBadName},
        {"a:b", kTxtBadName},
        {"a*", kTxtBadName},
        {"a?", kTxtBadName},
        {"a\"b", kTxtBadName},
        {"<a>", kTxtBadName},
        {"a|b", kTxtBadName},
        {"a\tb", kTxtBadName},
        {".", kTxtBadName},
        {"..", kTxtBadName},
        {"trailing ", kTxtBadName},
        {"trailing.", kTxtBadName},
        {"CON", kTxtBadName},
        {"nul", kTxtBadName},
        {"Com1", kTxtBadName},
        {"LPT9.txt", kTxtBadName},
        {std::string(300, 'x'), kTxtTooLong},
        {"AFile", kTxtFileInTheWay},
    };
    for (const Row& r : rows) {
        gBoxes.clear();
        EXPECT_EQ(Run(dir, r.newName), kKwRefused) << r.newName;
        ASSERT_EQ(gBoxes.size(), 1u) << r.newName;
        EXPECT_EQ(gBoxes[0].text, r.why) << r.newName;
        EXPECT_EQ(gBoxes[0].flags, kBoxTopmost);
    }
    // Old.txt and New.txt would both become New.txt.
    gBoxes.clear();
    EXPECT_EQ(Run(dir, "New"), kKwRefused);
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_NE(gBoxes[0].text.find(kTxtCollision), std::string::npos);
    EXPECT_NE(gBoxes[0].text.find("Old.txt"), std::string::npos);
    EXPECT_NE(gBoxes[0].text.find("New.txt"), std::string::npos);
    // Names that may be used.
    for (const char* ok : {"COM10", "CONSOLE", "a.b", "x y"}) {
        gBoxes.clear();
        EXPECT_EQ(CheckNewName(ok), "") << ok;
    }
    EXPECT_EQ(Snapshot(root_).size(), 5u); // AFile, Old and its three files
}

TEST_F(Job, NewNameMakingACopysPathTooLongIsRefused) {
    // The folder name fits, but OO.txt would be named with the new name twice.
    std::string dir = MakeProject("O", {{"O.pj", "O"}, {"OO.txt", "O"}});
    std::string name(130, 'n'); // the folder and its temporaries fit
    EXPECT_EQ(Run(dir, name), kKwRefused);
    EXPECT_EQ(gBoxes.at(0).text.find(kTxtTooLong), 0u);
    // It names the file; on Windows the path of O.pj is too long already.
    const std::string& text = gBoxes.at(0).text;
    EXPECT_TRUE(text.find("OO.txt") != std::string::npos ||
                (kPlatSep == '\\' && text.find("O.pj") != std::string::npos))
        << text;
    EXPECT_FALSE(Exists(Out(name)));
}

TEST_F(Job, NamesDifferingOnlyInCaseCollideWhereTheFileSystemFoldsCase) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"Old.txt", "a"}, {"new.TXT", "b"}});
    EXPECT_EQ(Run(dir, "New"), kPlatNamesFoldCase ? kKwRefused : kKwDone);
    EXPECT_EQ(Exists(Out("New")), !kPlatNamesFoldCase);
}

TEST_F(Job, NewNameCp932CannotHoldIsRefused) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}});
    // é (U+00E9) has no CP932 form; in the ANSI code page of Japanese Windows it can't be typed.
    std::string name = kPlatNamesCp932 ? "a\x83" : "caf\xC3\xA9";
    EXPECT_EQ(Run(dir, name), kKwRefused);
    EXPECT_EQ(gBoxes.at(0).text, kTxtNotCp932);
    EXPECT_FALSE(Exists(Out(name)));
}

TEST_F(Job, SameFolderIsFoundByIdentity) {
    std::string dir = MakeProject("Proj", {{"Proj.pj", "Proj"}});
    // Another spelling of the same folder.
    glDropPath = Join(Join(Join(root_, "Proj"), ".."), "Proj");
    GetPjNameFromFolder(glDropPath, &glOldPjName);
    glNewPjName = kPlatNamesFoldCase ? "PROJ" : "Proj";
    glDropPath = Join(root_, "Proj");
    EXPECT_EQ(ProjectKakikae(), kKwRefused);
    EXPECT_EQ(gBoxes.at(0).text, kTxtSameFolder);
}

TEST_F(Job, DroppedPathsWithoutParentAreRefused) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}});
    glOldPjName = "Old";
    glNewPjName = "New";
    // A root has no parent to write in; a file dropped instead of a folder can't be listed.
    struct Row {
        std::string drop;
        const char* why;
    } rows[] = {{kPlatSep == '/' ? "/" : "C:\\", kTxtBadDrop}, {Join(dir, "Old.pj"), kTxtCantList}};
    for (const Row& r : rows) {
        gBoxes.clear();
        glDropPath = r.drop;
        EXPECT_EQ(ProjectKakikae(), kKwRefused) << r.drop;
        EXPECT_EQ(gBoxes.at(0).text, r.why) << r.drop;
    }
    EXPECT_FALSE(Exists(Out("New")));
}

// Every failure is reported, none passes for success.
TEST_F(Job, FailuresAreReported) {
    std::string dir = MakeProject(
        "Old", {{"Old.pj", "Old"}, {"Old.ico", "icon"}, {"Old.txt", "text"}, {"ok.txt", "Old"}});
    // A folder where a copy should go: both the plain copy and the rewrite must fail.
    MakeDir(Out("New"));
    MakeDir(Join(Out("New"), "New.ico"));
    MakeDir(Join(Out("New"), "New.txt"));
    ASSERT_EQ(Run(dir, "New"), kKwFailed);
    ASSERT_EQ(failures_.size(), 2u);
    EXPECT_EQ(failures_[0].name, "Old.ico");
    EXPECT_EQ(failures_[1].name, "Old.txt");
    // Both are written completely, then can't be put in place of a folder: one closing box
    // lists both, and nothing of them is left behind.
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].caption, "Kesterlwick");
    EXPECT_EQ(gBoxes[0].flags, kBoxTopmost);
    EXPECT_EQ(gBoxes[0].text.find(kTxtFailedHead), 0u);
    EXPECT_NE(gBoxes[0].text.find("Old.ico"), std::string::npos);
    EXPECT_NE(failures_[1].why.find(kTxtWhyReplace), std::string::npos);
    std::map<std::string, std::string> want = {
        {"New.ico", "<dir>"}, {"New.txt", "<dir>"}, {"New.pj", "New"}, {"ok.txt", "New"}};
    EXPECT_EQ(Snapshot(Out("New")), want);
    EXPECT_EQ(ReadFile(Join(Out("New"), "ok.txt")), "New");
}

TEST_F(Job, TraceLinesOfOneRun) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"ab", ""}, {"pic.bmp", "x"}});
    ASSERT_EQ(Run(dir, "Renamed"), kKwDone);
    std::string sep(1, kPlatSep);
    std::string work = gTrace.size() > 4 ? gTrace[4].substr(gTrace[4].find(root_)) : "";
    work = work.substr(0, work.rfind(kPlatSep));
    EXPECT_EQ(work.find(Join(root_, ".~kw")), 0u) << work;
    std::vector<std::string> want = {
        "FindPath=" + dir + sep + "*.pj\r\n",
        "FindPath=" + dir + sep + "*.*\r\n",
        " FileData.cFileName=ab\r\n",
        " FileData.cFileName=Old.pj\r\n",
        // Written where the copy is built, before the folder gets its name.
        "●●● FileKakikaeToNewFile ●●●NewPath＝" + work + sep + "Renamed.pj\r\n",
        "● FileSize=3, 0, 0, 0, 0\r\n",
        "● StrKakikae Ret=7, 0, 0, 0, 0\r\n",
        " FileData.cFileName=pic.bmp\r\n",
    };
    EXPECT_EQ(gTrace, want);
}

} // namespace
