// The copy job as users meet it, through the command line's entry: a project made in a real
// folder, a drop spelled as typed, a new name. Every row checks the exit status and the last
// box, the copy file by file (every file of it one the user can edit), the failures and their
// reasons, and that nothing outside the new folder changed (the project least of all), but
// the abandoned temporaries a run clears. Each row is a test of its own.
#include "cli/cli.h"
#include "commands/controller.h"
#include "commands/texts.h"
#include "engine/texts.h"
#include "tests/support.h"
#include "trace/trace.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

enum Where { kAll, kWin, kLinux };
// kExfat: on an exFAT volume through FUSE (KW_EXFAT), which folds case and gives each spelling
// of a name an identity of its own.
enum Volume { kTemp, kExfat };
std::string U8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}
const char8_t* U(const std::string& s) {
    return reinterpret_cast<const char8_t*>(s.c_str());
}
const bool kWindows = kPlatSep == '\\';
constexpr KwText kNoBoxText = {"", ""};
const KwText* const kNoBox = &kNoBoxText;
// A file and its content, or "<dir>", "<pipe>", "<link:PATH>" (PATH from the item's folder,
// or Linux's own), "<held>" (a marker held as a live run holds it), "<other>" (locked as a
// run of the other build locks it), "<old>" (a folder and its files last written hours ago),
// "<now>" and "<future>" (last written now, or dated 2100), "<locked>" (a file held open without
// sharing, on Windows),
// "<mode:OCTAL>" (a folder's or file's mode on Linux; on Windows without write bits, the
// read-only attribute).
struct Item {
    std::u8string name;
    std::string content;
};
struct Failed {
    std::u8string name; // u8"<new>": the new folder
    const KwText* why;
};

struct Row {
    const char* what;
    std::vector<Item> project = {{u8"Proj.pj", "Proj"}};
    std::string newName = "New"; // as typed, in UTF-8
    int status = kKwDone;
    std::vector<Item> want = {{u8"New.pj", "New"}}; // the new folder afterwards
    std::vector<Failed> failed = {};
    const KwText* box = nullptr;   // the start of the last box, where not the status's own
    std::vector<Item> beside = {}; // in the project's parent, after the project
    std::string drop = "Proj";     // as typed, from `cwd` in the project's parent
    const char* cwd = ".";
    std::u8string folder = u8"Proj";
    std::u8string copyFolder = u8"";       // the new folder's name, where not newName
    std::vector<const char*> gone = {};    // temporaries beside that the run clears
    std::vector<const char*> touched = {}; // what the row changes itself, left out
    Where where = kAll;
    Volume volume = kTemp;
    size_t deep = 0;                   // the project's parent made this long, in path units
    std::vector<PlatArg> options = {}; // before the folder and the name
    bool asUser = false;               // run as an ordinary user (Linux)
    void (*child)() = nullptr;         // as that user, first
    // With the project's parent: before anything is looked at, and just before the run.
    std::function<void(const std::string&at)> before = nullptr, during = nullptr;
    const char* stderrHas = ""; // what the program says on standard error
    KwText stdoutHas = {"", ""};
    KwText boxHas = {"", ""}; // somewhere in the last box
};

// Between the checks and the writes the existing new folder is swapped for a link to the
// project: no write may land there.
PlatCalls gReal;
std::string gRow;
void SwapInLink(const std::string& row) {
    gReal = glPlat;
    gRow = row;
    glPlat.OpenDirAt = [](PlatDir at, const char* name, PlatDir* dir, PlatFileId* id) {
        if (std::string(name) == "New" && Exists(Join(gRow, "New"))) {
            RemoveTree(Join(gRow, "New"));
            MakeLink(Join(gRow, "Proj"), Join(gRow, "New"));
        }
        return gReal.OpenDirAt(at, name, dir, id);
    };
}

// An editor saving a file while the run reads it (in place: truncated and written longer, as
// the run's open file sees it), or while it copies it, once or every time; a file saved into
// the existing new folder just before the run's copy of it is put there.
int gSaves = 0;
void SaveWhileRead(const std::string& row, int times) {
    gReal = glPlat;
    gRow = row;
    gSaves = times;
    glPlat.Read = [](PlatFile f, void* b, uint32_t n, uint32_t* got) {
        if (gSaves-- > 0)
            RewriteInPlace(Join(Join(gRow, "Proj"), "Main.sbp"),
                           "' Proj v" + std::to_string(gSaves) +
                               "\r\nSub Main()\r\n  Print \"Proj\"\r\n");
        return gReal.Read(f, b, n, got);
    };
}
void SaveWhileCopied(const std::string& row, int times) {
    gReal = glPlat;
    gRow = row;
    gSaves = times;
    glPlat.CopyAt = [](const char* from, PlatDir at, const char* name) {
        if (gSaves-- > 0) WriteFile(from, "picture v" + std::to_string(gSaves));
        return gReal.CopyAt(from, at, name);
    };
}
// A text saved in another encoding after its encoding was looked at (its kind and its code),
// just before its copy is read.
int gOpens = 0;
void SaveBetweenReads(const std::string& row) {
    gReal = glPlat;
    gRow = row;
    gOpens = 0;
    glPlat.OpenRead = [](const char* path, PlatFile* f) {
        if (std::string(path).ends_with("Main.sbp") && ++gOpens == 3) // the copy's read
            WriteFile(path, U8(u8"' ア Proj"));
        return gReal.OpenRead(path, f);
    };
}
void SaveIntoNewFolder(const std::string& row) {
    gReal = glPlat;
    gRow = row;
    glPlat.RenameAt = [](PlatDir a, const char* x, PlatDir b, const char* y, int replace) {
        if (std::string(y) == "New.abp")
            WriteFile(Join(Join(gRow, "New"), "New.abp"), "saved meanwhile");
        return gReal.RenameAt(a, x, b, y, replace);
    };
}

// A folder and the files in it, last written that long ago.
void AgeTree(const std::string& path, int64_t seconds) {
    for (const auto& [rel, content] : Snapshot(path))
        Age(Join(path, rel), seconds);
    Age(path, seconds);
}

// A leftover's file that the first run can't remove: its marker stays, so that the row's run
// can clear it (once an hour has passed again).
void StuckOnce(const std::string& row) {
    gReal = glPlat;
    glPlat.RemoveAt = [](PlatDir at, const char* name) {
        return std::string(name) == "stuck.bin" ? 5 : gReal.RemoveAt(at, name);
    };
    EXPECT_EQ(KwCliMain({{"cli"}, {Join(row, "Proj")}, {"First"}}, RecordBox), kKwDone);
    glPlat = gReal;
    std::string left = Join(row, ".~kw1c-1");
    EXPECT_TRUE(Exists(Join(left, kKwMarker)));
    AgeTree(left, 7200);
}

std::vector<Row> Rows() {
    const Item pj = {u8"Proj.pj", "Proj"};
    const std::string cp932Sample = "\x83\x54\x83\x93\x83\x76\x83\x8B",
                      cp932Test = "\x83\x65\x83\x58\x83\x67";
    // clang-format off
    std::vector<Row> rows = {
        {.what = "a project copied and rewritten",
         .project = {{u8"Old.pj", "Old project\r\nOld.wnd\r\n"}, {u8"Old.wnd", "window of Old"}, {u8"Main.sbp", "' Old main\r\nOldOld"},
                     {u8"icon.ico", std::string("\0\0\1\0Old\xFF", 8)}, {u8"x.Txt", "Old"}, {u8"Makefile", "Old"}, {u8".gitignore", "Old"},
                     {u8"Old.bak.txt", "Old"}, {u8"Old.verylongext", "Old"}, {u8"ab", "a"}, {u8"表", "b"}, {u8"sub", "<dir>"}, {u8"sub/Old.txt", "Old"}},
         .want = {{u8"New.pj", "New project\r\nNew.wnd\r\n"}, {u8"New.wnd", "window of New"}, {u8"Main.sbp", "' New main\r\nNewNew"},
                  {u8"icon.ico", std::string("\0\0\1\0Old\xFF", 8)}, {u8"x.Txt", "New"}, {u8"Makefile", "Old"}, {u8".gitignore", "Old"},
                  {u8"New.bak.txt", "New"}, {u8"New.verylongext", "Old"}, {u8"ab", "a"}, {u8"表", "b"}},
         .boxHas = {"：sub", ": sub"}},
        // Files of an existing folder are replaced only when the user says so; an empty one is simply filled.
        {.what = "an existing folder with a file the copy would replace", .status = kKwRefused, .want = {}, .box = &kTxtReplaceHead,
         .beside = {{u8"New", "<dir>"}, {u8"New/New.pj", "mine"}}, .boxHas = {"--overwrite", "--overwrite"}},
        {.what = "--dry-run marks what would be replaced", .want = {}, .box = kNoBox, .beside = {{u8"New", "<dir>"}, {u8"New/New.pj", "mine"}},
         .options = {{"--dry-run"}},
         .stdoutHas = {"Proj.pj → New.pj：書き換え（CP932、1 か所）、上書き", "Proj.pj -> New.pj : rewrite (CP932, replaced: 1), overwrite"}},
        {.what = "an empty existing folder", .beside = {{u8"New", "<dir>"}}},
        {.what = "the existing folder swapped for a link to the project after the checks", .status = kKwRefused, .want = {},
         .box = &kTxtCantWriteNew, .beside = {{u8"New", "<dir>"}, {u8"New/New.pj", "mine"}},
         .gone = {"New/"}, .options = {{"--overwrite"}}, .during = SwapInLink}, // "New" is the swapped link now
        {.what = "into an existing folder: files of the same names replaced, the rest kept", .want = {{u8"New.pj", "New"}, {u8"mine.txt", "kept"}},
         .beside = {{u8"New", "<dir>"}, {u8"New/New.pj", "stale"}, {u8"New/mine.txt", "kept"}}, .options = {{"--overwrite"}}},
        {.what = "the text type is the file's own", .project = {{u8"p.pj", "p p"}, {u8"res.p", "p"}}, .newName = "Q.txt",
         .want = {{u8"Q.txt.Q.txtj", "Q.txt Q.txt"}, {u8"res.Q.txt", "p"}}},
        {.what = "content in its own encoding: CP932, UTF-8, character boundaries, a zero byte",
         .project = {{u8"テスト.pj", "' \x83\x65\x83\x58\x83\x67\r\n"}, {u8"u.txt", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
                     {u8"m.txt", "\x83\x41" "bc Abc"}, {u8"z.txt", std::string("\x83\x65\x83\x58\x83\x67\0\x83\x65\x83\x58\x83\x67", 13)}},
         .newName = U8(u8"新"), .want = {{u8"新.pj", "' \x90\x56\r\n"}, {u8"u.txt", "\xE6\x96\xB0"}, {u8"m.txt", "\x83\x41" "bc Abc"},
                                                  {u8"z.txt", std::string("\x90\x56\0\x90\x56", 5)}}},
        {.what = "an ASCII project renamed in Japanese: the name in CP932 in every text",
         .project = {{u8"Sample.pj", "Main=Sample.abp\r\n"}, {u8"Sample.abp", "' Sample\r\n"}, {u8"MainWnd.sbp", "' \x83\x81\x83\x43\x83\x93 Sample"}},
         .newName = U8(u8"テスト"), .want = {{u8"テスト.pj", "Main=\x83\x65\x83\x58\x83\x67.abp\r\n"}, {u8"テスト.abp", "' \x83\x65\x83\x58\x83\x67\r\n"},
                                                 {u8"MainWnd.sbp", "' \x83\x81\x83\x43\x83\x93 \x83\x65\x83\x58\x83\x67"}},
         .drop = "Sample", .folder = u8"Sample"},
        // An ASCII text takes its group's encoding: the IDE's files CP932; sources and notes as theirs go.
        {.what = "an ASCII project with a UTF-8 note renamed in Japanese: the IDE's files and the sources in CP932",
         .project = {{u8"Sample.pj", "Main=Sample.abp\r\n"}, {u8"Sample.abp", "#include \"Sample.sbp\"\r\n"},
                     {u8"readme.txt", U8(u8"説明 Sample\r\n")}, {u8"notes.txt", "Sample"}},
         .newName = U8(u8"テスト"), .want = {{u8"テスト.pj", "Main=" + cp932Test + ".abp\r\n"}, {u8"テスト.abp", "#include \"" + cp932Test + ".sbp\"\r\n"},
                                            {u8"readme.txt", U8(u8"説明 テスト\r\n")}, {u8"notes.txt", U8(u8"テスト")}},
         .drop = "Sample", .folder = u8"Sample"},
        {.what = "UTF-8 sources: the ASCII sources and notes in UTF-8, the IDE's files in CP932",
         .project = {{u8"Sample.pj", "Sample"}, {u8"Main.abp", U8(u8"' 説明 Sample")}, {u8"Sample.sbp", "' Sample"}, {u8"notes.txt", "Sample"}},
         .newName = U8(u8"テスト"), .want = {{u8"テスト.pj", cp932Test}, {u8"Main.abp", U8(u8"' 説明 テスト")}, {u8"テスト.sbp", U8(u8"' テスト")},
                                            {u8"notes.txt", U8(u8"テスト")}},
         .drop = "Sample", .folder = u8"Sample"},
        // A new name that is no identifier goes into program code only when asked for.
        {.what = "a Japanese name into identifiers: refused on the command line",
         .project = {{u8"Sample.pj", "Main=Sample.abp\r\n"}, {u8"Sample.abp", "Function Sample_Calc() As Long\r\n"}},
         .newName = U8(u8"テスト"), .status = kKwRefused, .want = {}, .box = &kTxtCodeHead, .drop = "Sample", .folder = u8"Sample",
         .boxHas = {"Sample_Calc", "Sample_Calc"}},
        {.what = "a Japanese name into identifiers with --even-in-code",
         .project = {{u8"Sample.pj", "Main=Sample.abp\r\n"}, {u8"Sample.abp", "Function Sample_Calc() As Long\r\n"}},
         .newName = U8(u8"テスト"), .want = {{u8"テスト.pj", "Main=" + cp932Test + ".abp\r\n"}, {u8"テスト.abp", "Function " + cp932Test + "_Calc() As Long\r\n"}},
         .drop = "Sample", .folder = u8"Sample", .options = {{"--even-in-code"}}},
        {.what = "an identifier's name: not asked", .project = {pj, {u8"Proj.abp", "Function Proj_Calc()"}}, .newName = "Demo2",
         .want = {{u8"Demo2.pj", "Demo2"}, {u8"Demo2.abp", "Function Demo2_Calc()"}}},
        {.what = "--dry-run marks the code a name would go into", .project = {pj, {u8"Proj.abp", "Proj_Init\r\nProj_Init"}}, .newName = "My-App",
         .want = {}, .box = kNoBox, .options = {{"--dry-run"}},
         .stdoutHas = {"（CP932、2 か所）、コード中 2 か所", "(CP932, replaced: 2), in code: 2"}},
        {.what = "names in CP932 bytes: matched where a character begins, the new name in CP932",
         .project = {{u8"Abc.pj", "Abc"}, {u8"\x83\x41" "bc.txt", "\x83\x41" "bc Abc"}, {u8"Abc_\x90\xE0\x96\xBE.txt", "x"}}, .newName = U8(u8"新"),
         .want = {{u8"\x90\x56.pj", "\x90\x56"}, {u8"\x83\x41" "bc.txt", "\x83\x41" "bc \x90\x56"}, {u8"\x90\x56_\x90\xE0\x96\xBE.txt", "x"}},
         .drop = "Abc", .folder = u8"Abc", .copyFolder = u8"\x90\x56", .where = kLinux},
        {.what = "a folder whose name holds the byte 5C (ソ)", .drop = "ソフト/Proj", .folder = u8"ソフト/Proj"},
        // Names as Windows compares them: without case, and one name in either of its forms.
        {.what = "an existing folder named in another case, a file in it too: asked first", .status = kKwRefused, .want = {},
         .box = &kTxtReplaceHead, .beside = {{u8"new", "<dir>"}, {u8"new/NEW.PJ", "mine"}}, .copyFolder = u8"new"},
        {.what = "a file named in another case replaced under its name there", .want = {{u8"NEW.PJ", "New"}, {u8"Mine.txt", "kept"}},
         .beside = {{u8"new", "<dir>"}, {u8"new/NEW.PJ", "mine"}, {u8"new/Mine.txt", "kept"}}, .copyFolder = u8"new",
         .options = {{"--overwrite"}}},
        {.what = "names from a Mac archive (NFD), texts from the IDE (CP932)",
         .project = {{u8"サンフ\u309Aル.pj", "Main=" + cp932Sample + ".abp\r\n"}, {u8"サンフ\u309Aル.abp", "' " + cp932Sample}},
         .newName = U8(u8"テスト"), .want = {{u8"テスト.pj", "Main=" + cp932Test + ".abp\r\n"}, {u8"テスト.abp", "' " + cp932Test}},
         .drop = "Sample", .folder = u8"Sample", .where = kLinux},
        {.what = "a name an archive tool read with the JIS table (U+301C)", .project = {{u8"A\u301CB.pj", "A\x81\x60" "B"}},
         .where = kLinux},
        {.what = "a text whose encoding can't hold the old name", .project = {{u8"Cat\U0001F431.pj", U8(u8"Cat\U0001F431")}, {u8"memo.txt", cp932Test + " Cat"}},
         .status = kKwFailed, .want = {{u8"New.pj", "New"}, {u8"memo.txt", cp932Test + " Cat"}}, .failed = {{u8"memo.txt", &kTxtWhyNoForm}},
         .where = kLinux},
        // The same on a USB stick as Linux desktops mount it.
        {.what = "a copy on exFAT", .project = {pj, {u8"Main.sbp", "Proj"}, {u8"icon.ico", "Proj"}},
         .want = {{u8"New.pj", "New"}, {u8"Main.sbp", "New"}, {u8"icon.ico", "Proj"}}, .volume = kExfat},
        {.what = "the project folder in another case on exFAT, dropped in a third", .project = {pj, {u8"Main.sbp", "x"}}, .newName = "PROJ",
         .status = kKwRefused, .want = {}, .box = &kTxtSameFolder, .drop = "proj", .volume = kExfat},
        {.what = "a folder of the user's on exFAT, its file in another case", .project = {pj, {u8"Proj.abp", "Proj"}}, .newName = "N",
         .status = kKwRefused, .want = {}, .box = &kTxtReplaceHead, .beside = {{u8"N", "<dir>"}, {u8"N/n.abp", "mine"}}, .volume = kExfat},
        {.what = "copies alike but for case on exFAT", .project = {pj, {u8"Proj.txt", "a"}, {u8"new.txt", "b"}}, .status = kKwRefused,
         .want = {}, .box = &kTxtCollision, .volume = kExfat},
        // Only the copy's own paths count against MAX_PATH: a deep project whose copy fits, one whose run must use
        // the long form for its temporary paths, and one too deep for any name.
        {.what = "a deep project whose copy fits", .project = {pj, {u8"Proj.abp", "Proj"}}, .newName = "B", .want = {{u8"B.pj", "B"}, {u8"B.abp", "B"}},
         .where = kWin, .deep = 226},
        {.what = "an existing new folder deep enough that the run's temporary paths pass MAX_PATH", .project = {pj, {u8"Proj_main.abp", "Proj"}},
         .newName = "B", .want = {{u8"B.pj", "B"}, {u8"B_main.abp", "B"}},
         .beside = {{u8"B", "<dir>"}}, .where = kWin, .deep = 240},
        {.what = "a project too deep for any name", .newName = "B", .status = kKwRefused, .want = {}, .box = &kTxtTooDeep,
         .where = kWin, .deep = 250},
        // The path as it is, not as it was spelled.
        {.what = "the project folder as \".\"", .drop = ".", .cwd = "Proj"},
        {.what = "a \"..\" component and a trailing separator", .project = {pj, {u8"sub", "<dir>"}}, .drop = "Proj/sub/../"},
        {.what = "mixed separators", .project = {pj, {u8"sub", "<dir>"}}, .drop = "Proj\\sub/..", .where = kWin},
        // Names as real file systems give them: Windows can't take them as they are; Linux's are bytes.
        {.what = "names the code page can't hold", .project = {pj, {u8"x¥..¥Work¥d.bin", "Proj"}, {u8"café.txt", "Proj"}},
         .status = kWindows ? kKwFailed : kKwDone,
         .want = kWindows ? std::vector<Item>{{u8"New.pj", "New"}} : std::vector<Item>{{u8"New.pj", "New"}, {u8"x¥..¥Work¥d.bin", "Proj"}, {u8"café.txt", "New"}},
         .failed = kWindows ? std::vector<Failed>{{u8"x¥..¥Work¥d.bin", &kTxtWhyNotAnsi}, {u8"café.txt", &kTxtWhyNotAnsi}} : std::vector<Failed>{},
         .beside = {{u8"Work", "<dir>"}, {u8"Work/d.bin", "mine"}}},
        {.what = "trailing space and dot", .project = {pj, {u8"Proj.wbp", "Proj"}, {u8"Proj.wbp ", "evil"}, {u8"Proj.txt.", "x"}},
         .status = kWindows ? kKwFailed : kKwDone,
         .want = kWindows ? std::vector<Item>{{u8"New.pj", "New"}, {u8"New.wbp", "New"}}
                          : std::vector<Item>{{u8"New.pj", "New"}, {u8"New.wbp", "New"}, {u8"New.wbp ", "evil"}, {u8"New.txt.", "x"}},
         .failed = kWindows ? std::vector<Failed>{{u8"Proj.wbp ", &kTxtWhyAltered}, {u8"Proj.txt.", &kTxtWhyAltered}} : std::vector<Failed>{},
         .beside = {{u8"New", "<dir>"}, {u8"New/New.wbp", "stale"}}, .options = {{"--overwrite"}}},
        {.what = "a folder named *.pj and a bare .pj", .project = {{u8"Backup.pj", "<dir>"}, {u8".pj", "x"}, pj}, .want = {{u8".pj", "x"}, {u8"New.pj", "New"}}},
        {.what = "a pipe named *.pj before the project file", .project = {{u8"Alpha.pj", "<pipe>"}, pj}, .status = kKwFailed,
         .failed = {{u8"Alpha.pj", &kTxtWhyNotFile}}},
        {.what = "a link to nowhere named *.pj before the project file", .project = {{u8"Alpha.pj", "<link:nowhere>"}, pj}, .status = kKwFailed,
         .failed = {{u8"Alpha.pj", &kTxtWhyOpen}}, .where = kLinux},
        {.what = "read-only files from a CD: copies the user can edit", .project = {pj, {u8"icon.ico", "i"}, {u8"Main.sbp", "Proj"},
         {u8"icon.ico", "<mode:444>"}, {u8"Main.sbp", "<mode:444>"}, {u8"Proj.pj", "<mode:444>"}},
         .want = {{u8"New.pj", "New"}, {u8"icon.ico", "i"}, {u8"Main.sbp", "New"}}},
        {.what = "a pipe and a device", .project = {pj, {u8"Proj.wnd", "<pipe>"}, {u8"zero.txt", "<link:/dev/zero>"}},
         .status = kKwFailed, .failed = {{u8"Proj.wnd", &kTxtWhyNotFile}, {u8"zero.txt", &kTxtWhyNotFile}}},
        {.what = "a dangling link (Wine lists none)", .project = {pj, {u8"x.lnk", "<link:nowhere>"}}, .status = kKwFailed,
         .failed = {{u8"x.lnk", &kTxtWhyCopy}}, .where = kLinux},
        {.what = "a link at a destination is replaced, not written through", .project = {pj, {u8"a.ico", "icon"}},
         .want = {{u8"New.pj", "New"}, {u8"a.ico", "icon"}},
         .beside = {{u8"victim", "untouched"}, {u8"New", "<dir>"}, {u8"New/New.pj", "<link:../victim>"}, {u8"New/a.ico", "<link:../victim>"}},
         .options = {{"--overwrite"}}},
        // Leftovers: only a marked temporary folder that nobody holds goes.
        {.what = "temporaries beside: only the marked one that nobody holds and nothing changed in for an hour goes",
         .beside = {{u8".~kw1a-3", "<dir>"}, {u8".~kw1a-3/.~kw-lock", ""}, {u8".~kw1a-3/New.pj", "half"}, {u8".~kw1a-3", "<old>"},
                    {u8".~kw1a-7", "<dir>"}, {u8".~kw1a-7/.~kw-lock", ""}, {u8".~kw1a-8", "<dir>"}, {u8".~kw1a-8/.~kw-lock", ""},
                    {u8".~kw1a-8", "<old>"}, {u8".~kw1a-8/.~kw-lock", "<other>"}, {u8".~kw1a-4", "<dir>"},
                    {u8".~kw1a-4/.~kw-lock", "<held>"}, {u8".~kw1a-5", "<dir>"}, {u8".~kw1a-5/New.pj", "no marker"}, {u8".~kw1a-6", "<dir>"},
                    {u8".~kw1a-6/.~kw-lock", "k"}},
         .gone = {".~kw1a-3"}},
        {.what = "leftovers of killed runs go, whatever the project's files were: read-only, dated 2100; and one dated 2100 itself",
         .beside = {{u8".~kw1b-1", "<dir>"}, {u8".~kw1b-1/.~kw-lock", ""}, {u8".~kw1b-1/icon.ico", "x"}, {u8".~kw1b-1/icon.ico", "<mode:444>"},
                    {u8".~kw1b-1", "<old>"}, {u8".~kw1b-2", "<dir>"}, {u8".~kw1b-2/.~kw-lock", ""}, {u8".~kw1b-2/New.pj", "x"},
                    {u8".~kw1b-2", "<old>"}, {u8".~kw1b-2/New.pj", "<future>"}, {u8".~kw1b-3", "<dir>"}, {u8".~kw1b-3/.~kw-lock", ""},
                    {u8".~kw1b-3", "<old>"}, {u8".~kw1b-3", "<future>"}},
         .gone = {".~kw1b-"}},
        {.what = "a leftover one run can't empty keeps its marker, and a later run clears it",
         .beside = {{u8".~kw1c-1", "<dir>"}, {u8".~kw1c-1/.~kw-lock", ""}, {u8".~kw1c-1/stuck.bin", "x"}, {u8".~kw1c-1/New.pj", "x"},
                    {u8".~kw1c-1", "<old>"}},
         .gone = {".~kw1c-"}, .before = StuckOnce},
        {.what = "leftovers a run may still own stay: its folder or its marker written lately, or its marker held",
         .beside = {{u8".~kw1d-1", "<dir>"}, {u8".~kw1d-1/.~kw-lock", ""}, {u8".~kw1d-1", "<old>"}, {u8".~kw1d-1/.~kw-lock", "<now>"},
                    {u8".~kw1d-2", "<dir>"}, {u8".~kw1d-2/.~kw-lock", ""}, {u8".~kw1d-2/.~kw-lock", "<old>"},
                    {u8".~kw1d-3", "<dir>"}, {u8".~kw1d-3/.~kw-lock", "<held>"}, {u8".~kw1d-3", "<old>"}}},
        {.what = "the dropped folder looks abandoned", .project = {{u8".~kw-lock", ""}, {u8"X.pj", "X"}}, .newName = "Y", .status = kKwFailed,
         .want = {{u8"Y.pj", "Y"}}, .failed = {{u8".~kw-lock", &kTxtWhyMarkerName}}, .drop = ".~kw2-1", .folder = u8".~kw2-1"},
        {.what = "a copy reported before is kept", .newName = "Second", .want = {{u8"Second.pj", "Second"}},
         .before = [](const std::string& row) { // the first run's copy can't get its name
             static PlatCalls real;
             real = glPlat;
             glPlat.RenameAt = [](PlatDir a, const char* x, PlatDir b, const char* y, int r) { return r ? real.RenameAt(a, x, b, y, r) : 5; };
             EXPECT_EQ(KwCliMain({{"cli"}, {Join(row, "Proj")}, {"First"}}, RecordBox), kKwFailed);
             glPlat = real;
         }},
        {.what = "copies that can't be put in place", .project = {pj, {u8"Proj.ico", "icon"}, {u8"Proj.txt", "t"}}, .status = kKwFailed,
         .want = {{u8"New.ico", "<dir>"}, {u8"New.txt", "<dir>"}, {u8"New.pj", "New"}},
         .failed = {{u8"Proj.ico", &kTxtWhyReplace}, {u8"Proj.txt", &kTxtWhyReplace}},
         .beside = {{u8"New", "<dir>"}, {u8"New/New.ico", "<dir>"}, {u8"New/New.txt", "<dir>"}}},
        {.what = "files held open", .project = {pj, {u8"Main.sbp", "<locked>"}, {u8"a.ico", "<locked>"}, {u8"b.ico", "b"}},
         .status = kKwFailed, .want = {{u8"New.pj", "New"}, {u8"b.ico", "<missing>"}},
         .failed = {{u8"Main.sbp", &kTxtWhyOpen}, {u8"a.ico", &kTxtWhyCopy}, {u8"b.ico", &kTxtWhyReplace}},
         .beside = {{u8"New", "<dir>"}, {u8"New/b.ico", "<locked>"}}, .where = kWin, .options = {{"--overwrite"}}},
        // A file is copied as it was when read, or reported; one saved meanwhile is kept.
        {.what = "a text saved in place while read: read again", .project = {pj, {u8"Main.sbp", "' Proj v0"}},
         .want = {{u8"New.pj", "New"}, {u8"Main.sbp", "' New v0\r\nSub Main()\r\n  Print \"New\"\r\n"}}, .touched = {"Proj/Main"}, .where = kLinux,
         .during = [](const std::string& row) { SaveWhileRead(row, 1); }},
        {.what = "a text saved on every read: reported", .project = {pj, {u8"Main.sbp", "' Proj v0"}}, .status = kKwFailed,
         .failed = {{u8"Main.sbp", &kTxtWhyChanged}}, .touched = {"Proj/Main"}, .where = kLinux, .during = [](const std::string& row) { SaveWhileRead(row, 9); }},
        {.what = "a text saved in another encoding between its reads: read as it is now", .project = {pj, {u8"Main.sbp", "' \x83\x41 Proj"}},
         .newName = U8(u8"新"), .want = {{u8"新.pj", "\x90\x56"}, {u8"Main.sbp", U8(u8"' ア 新")}}, .copyFolder = u8"新", .touched = {"Proj/Main"},
         .during = [](const std::string& row) { SaveBetweenReads(row); }},
        {.what = "a picture saved while copied: copied again", .project = {pj, {u8"pic.bmp", "picture"}},
         .want = {{u8"New.pj", "New"}, {u8"pic.bmp", "picture v0"}}, .touched = {"Proj/pic"}, .during = [](const std::string& row) { SaveWhileCopied(row, 1); }},
        {.what = "a picture saved on every copy: reported", .project = {pj, {u8"pic.bmp", "picture"}}, .status = kKwFailed,
         .failed = {{u8"pic.bmp", &kTxtWhyChanged}}, .touched = {"Proj/pic"}, .during = [](const std::string& row) { SaveWhileCopied(row, 9); }},
        {.what = "a file saved into the existing folder meanwhile is kept", .project = {pj, {u8"Proj.abp", "Proj"}}, .status = kKwFailed,
         .want = {{u8"New.pj", "New"}, {u8"New.abp", "saved meanwhile"}, {u8"notes.txt", "mine"}}, .failed = {{u8"Proj.abp", &kTxtWhyAppeared}},
         .beside = {{u8"New", "<dir>"}, {u8"New/notes.txt", "mine"}}, .during = SaveIntoNewFolder},
        // The status never says more than happened.
        {.what = "--dry-run whose plan can't be written (a full disk)", .status = kKwRefused, .want = {}, .box = kNoBox, .where = kLinux,
         .options = {{"--dry-run"}}, .asUser = true, .child = StdoutToFullDisk},
        {.what = "--dry-run with standard output closed", .status = kKwRefused, .want = {}, .box = kNoBox, .where = kLinux,
         .options = {{"--dry-run"}}, .asUser = true, .child = CloseStdout},
        {.what = "a copy whose completion can't be said", .status = kKwFailed, .box = &kTxtDone, .where = kLinux, .asUser = true,
         .child = CloseStdout},
        // Real faults, as an ordinary user: root reads and writes whatever the modes say.
        {.what = "files that can't be read", .project = {pj, {u8"a.sbp", "P"}, {u8"a.ico", "x"}, {u8"a.sbp", "<mode:0>"}, {u8"a.ico", "<mode:0>"}},
         .status = kKwFailed, .failed = {{u8"a.sbp", &kTxtWhyOpen}, {u8"a.ico", &kTxtWhyCopy}}, .where = kLinux, .asUser = true},
        {.what = "an existing new folder that can't be written: nothing written", .status = kKwRefused, .want = {}, .box = &kTxtCantWriteNew,
         .beside = {{u8"New", "<dir>"}, {u8"New/New.pj", "before"}, {u8"New", "<mode:555>"}}, .where = kLinux,
         .options = {{"--overwrite"}}, .asUser = true},
        {.what = "a parent that can't be written: nothing written", .status = kKwRefused, .want = {}, .box = &kTxtCantMakeNew,
         .beside = {{u8".", "<mode:555>"}}, .where = kLinux, .asUser = true},
        {.what = "a project folder that can be listed, not entered", .status = kKwRefused, .want = {}, .box = &kTxtCantReadPj,
         .beside = {{u8"Proj", "<mode:444>"}}, .where = kLinux, .asUser = true},
        {.what = "a project file that can't be opened", .project = {pj, {u8"Proj.pj", "<mode:0>"}}, .status = kKwRefused, .want = {},
         .box = &kTxtCantReadPj, .where = kLinux, .asUser = true},
        {.what = "a folder that can't be read", .status = kKwRefused, .want = {}, .box = &kTxtCantList, .beside = {{u8"Proj", "<mode:0>"}},
         .where = kLinux, .asUser = true},
        {.what = "a full disk (a file-size limit)", .project = {pj, {u8"Big.sbp", std::string(300000, 'x') + "Proj"}, {u8"big.bmp", std::string(300000, 'b')}},
         .status = kKwFailed, .want = {{u8"New.pj", "New"}, {u8"Big.sbp", "previous"}}, .failed = {{u8"Big.sbp", &kTxtWhyWrite}, {u8"big.bmp", &kTxtWhyCopy}},
         .beside = {{u8"New", "<dir>"}, {u8"New/Big.sbp", "previous"}, {u8"New", "<mode:777>"}}, .where = kLinux,
         .options = {{"--overwrite"}}, .asUser = true, .child = LimitFileSize},
        // Refused before anything is written.
        {.what = "the project folder itself", .newName = "Proj", .status = kKwRefused, .want = {}, .box = &kTxtSameFolder},
        {.what = "the project folder, spelled otherwise", .newName = "PROJ", .status = kKwRefused, .want = {},
         .box = &kTxtSameFolder, .drop = "Proj/../Proj"},
        {.what = "a file in the way", .newName = "AFile", .status = kKwRefused, .want = {}, .box = &kTxtFileInTheWay, .beside = {{u8"AFile", "x"}}},
        {.what = "the new folder a link into the project", .project = {pj, {u8"sub", "<dir>"}}, .status = kKwRefused, .want = {},
         .box = &kTxtLinkInTheWay, .beside = {{u8"New", "<link:Proj/sub>"}}},
        {.what = "a copy the new name makes a device name", .project = {{u8"X.pj", "X"}, {u8"XN.txt", "X"}}, .newName = "CO",
         .status = kKwRefused, .want = {}, .box = &kTxtBadName, .drop = "X", .folder = u8"X"},
        {.what = "two copies of one name", .project = {pj, {u8"Proj.txt", "a"}, {u8"New.txt", "b"}}, .status = kKwRefused, .want = {}, .box = &kTxtCollision},
        {.what = "copies named alike but for case", .project = {pj, {u8"Proj.txt", "a"}, {u8"new.TXT", "b"}}, .status = kKwRefused, .want = {},
         .box = &kTxtCollision},
        {.what = "a copy's path too long", .project = {{u8"O.pj", "O"}, {u8"OO.txt", "O"}}, .newName = std::string(130, 'n'), .status = kKwRefused,
         .want = {}, .box = &kTxtTooLong},
        // Never taken in a best-fit form ("Cafe").
        {.what = "a name CP932 can't hold", .newName = U8(u8"Café"), .status = kKwRefused, .want = {}, .box = &kTxtNotCp932},
        {.what = "the project file given for its folder", .drop = "Proj/Proj.pj"},
        {.what = "no project file", .project = {{u8"readme.txt", "x"}}, .status = kKwRefused, .want = {}, .box = &kTxtNoPjFile},
        // The command line's own.
        {.what = "--help", .want = {}, .box = kNoBox, .options = {{"--help"}}},
        {.what = "an unknown option", .status = kKwRefused, .want = {}, .box = kNoBox, .options = {{"--bogus"}}, .stderrHas = "--bogus"},
        {.what = "--dry-run writes nothing", .want = {}, .box = kNoBox, .options = {{"--dry-run"}}},
        {.what = "--trace", .options = {{"--trace"}}, .stderrHas = "● glNewPjNameNew"},
        {.what = "-- before a name starting with -", .newName = "-New", .want = {{u8"-New.pj", "-New"}}, .options = {{"--"}}},
        {.what = "a name starting with - is an option", .newName = "-New", .status = kKwRefused, .want = {}, .box = kNoBox},
    };
    for (std::string bad : std::vector<std::string>{"a/b", "a\\b", "a:b", "a*", "a?", "a\"b", "<a>", "a|b", "a\tb", ".", "..", "trailing ",
                            "trailing.", "CON", "nul", "Com1", "LPT9.txt", std::string(300, 'x'), ".~kw1-2"})
        rows.push_back({.what = "a name Windows refuses", .newName = bad, .status = kKwRefused, .want = {},
                        .box = bad.size() > 255 ? &kTxtTooLong : bad[1] == '~' ? &kTxtTempName : &kTxtBadName});
    for (std::string ok : {"COM10", "CONSOLE", "a.b", "x y"})
        rows.push_back({.what = "a name Windows takes", .newName = ok, .want = {{std::u8string(ok.begin(), ok.end()) + u8".pj", ok}}});
    // clang-format on
    return rows;
}

void PrintTo(const Row& r, std::ostream* os) {
    *os << r.what << " / " << r.newName;
}

std::vector<PlatArg> gArgs;
PlatFile gHeld;

// The command line's run, as a child can run it too; its last box comes back: its kind, \x01,
// its text.
int Cli(std::string* box) {
    int status = KwCliMain(gArgs, RecordBox);
    if (!gBoxes.empty()) *box = std::to_string(gBoxes.back().kind) + "\x01" + gBoxes.back().text;
    return status;
}

class Job : public TempTest, public testing::WithParamInterface<Row> {
  protected:
    void TearDown() override {
        for (PlatFile f : held_)
            if (f) glPlat.Close(f);
        if (!exfat_.empty()) RemoveTree(exfat_);
        TempTest::TearDown();
    }
    void Make(const std::string& dir, const Item& item) {
        std::string path = Join(dir, Listed(item.name.c_str()));
        std::replace(path.begin(), path.end(), '/', kPlatSep);
        const std::string& c = item.content;
        std::string arg = c.substr(c.find(':') + 1, c.size() - c.find(':') - 2);
        if (c == "<dir>")
            MakeDir(path);
        else if (c == "<pipe>")
            MakePipe(path);
        else if (c.rfind("<link:", 0) == 0)
            MakeLink(arg[0] == '/' ? arg : Join(path.substr(0, path.rfind(kPlatSep)), arg), path);
        else if (c.rfind("<mode:", 0) == 0)
            SetMode(path, std::stoi(arg, nullptr, 8));
        else if (c == "<held>")
            held_.push_back(InParent(path,
                                     [](PlatDir at, const char* n) {
                                         return glPlat.HoldMarkerAt(at, n, 1, &gHeld);
                                     }) == 0
                                ? gHeld
                                : nullptr);
        else if (c == "<other>") // held by a run of the other build
            HoldAsOtherBuild(path);
        else if (c == "<old>") // a run's leftover of hours ago
            AgeTree(path, 7200);
        else if (c == "<now>")
            Age(path, 0);
        else if (c == "<future>") // dated 2100 (a wrong clock, an archive)
            Age(path, -int64_t{75} * 365 * 86400);
        else
            MakeNamedFile(dir, item.name.c_str(), c == "<locked>" ? "locked" : c);
        if (c == "<locked>") HoldOpen(path);
    }
    std::vector<PlatFile> held_;
    std::string exfat_;
};

TEST_P(Job, Row) {
    const Row& r = GetParam();
    if (r.where == (kWindows ? kLinux : kWin)) GTEST_SKIP() << "a row of the other system's";
    std::string base = root_;
    if (r.volume == kExfat) {
        const char* at = std::getenv("KW_EXFAT");
        if (!at) GTEST_SKIP() << "no exFAT volume (KW_EXFAT)";
        base = exfat_ = Join(FromLinuxPath(at), root_.substr(root_.rfind(kPlatSep) + 1));
        MakeDir(exfat_);
    }
    std::string row = Join(base, "r"), cwd = CurrentDir();
    MakeDir(row);
    // The project's parent: the row's folder, or one below it that makes the path that long.
    std::string deep = r.deep ? std::string(r.deep - PlatPathUnits(row) - 1, 'd') : "";
    std::string at = r.deep ? Join(row, deep) : row;
    if (r.deep) MakeDir(at);
    // Names with "/" between: "/" is never the second byte of a CP932 character.
    std::string folder = Listed(r.folder.c_str()), parent = folder.substr(0, folder.rfind('/') + 1);
    std::string copyName = Listed(r.copyFolder.empty() ? U(r.newName) : r.copyFolder.c_str());
    std::string dir = Join(at, folder), newFolder = Join(at, parent + copyName);
    std::replace(dir.begin(), dir.end(), '/', kPlatSep);
    std::replace(newFolder.begin(), newFolder.end(), '/', kPlatSep);
    for (size_t sep = folder.find('/'); sep != std::string::npos; sep = folder.find('/', sep + 1))
        MakeDir(Join(at, folder.substr(0, sep)));
    MakeDir(dir);
    for (const Item& i : r.project)
        Make(dir, i);
    if (r.asUser) SetMode(row, 0777); // where the user makes the copy
    for (const Item& i : r.beside)
        Make(at, i);
    if (r.before) r.before(at);
    auto before = Snapshot(row);

    ChangeDir(Join(at, r.cwd));
    std::string drop = r.drop;
    if (kWindows && r.where != kWin) std::replace(drop.begin(), drop.end(), '/', '\\');
    gArgs = {{"kestrelwick-cli"}};
    gArgs.insert(gArgs.end(), r.options.begin(), r.options.end());
    gArgs.push_back({drop});
    gArgs.push_back({Listed(U(r.newName)), true, r.newName});
    gBoxes.clear();
    std::string box;
    if (r.during) r.during(at);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    int status = r.asUser ? RunAsNobody(Cli, r.child, &box) : Cli(&box);
    glPlat = saved_; // as a row's hook left it
    std::string out = testing::internal::GetCapturedStdout();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(r.stderrHas), std::string::npos) << said;
    EXPECT_NE(out.find(KwSay(r.stdoutHas)), std::string::npos) << out;
    EXPECT_NE(box.find(KwSay(r.boxHas)), std::string::npos) << box;
    ChangeDir(cwd);
    auto after = Snapshot(row);
    ReleaseHolds();

    EXPECT_EQ(status, r.status);
    // The last box: the refusal, the completion, or the failures with their reasons.
    std::string text = box.substr(box.rfind('\x01') + 1);
    if (r.box == kNoBox) {
        EXPECT_EQ(box, "");
    } else {
        const KwText& head = r.box ? *r.box : r.status == kKwDone ? kTxtDone : kTxtFailedHead;
        KwBox kind = &head == &kTxtDone         ? kBoxDone
                     : &head == &kTxtFailedHead ? kBoxFailure
                                                : kBoxRefusal;
        EXPECT_EQ(box.substr(0, box.rfind('\x01')), std::to_string(kind));
        EXPECT_EQ(text.rfind(KwSay(head), 0), 0u) << text;
    }
    std::vector<std::string> failed, want;
    for (size_t nl = text.find("\r\n"); r.status == kKwFailed && nl != std::string::npos;) {
        size_t next = text.find("\r\n", nl + 2);
        std::string line = text.substr(nl + 2, next - nl - 2);
        if (line == KwSay(kTxtCopyIsAt)) break; // where the copy is, after the list
        if (line.find(KwSay(kTxtColon)) != std::string::npos) failed.push_back(line);
        nl = next;
    }
    for (const Failed& f : r.failed)
        want.push_back((f.name == u8"<new>" ? newFolder : Listed(f.name.c_str())) +
                       KwSay(kTxtColon) + KwSay(*f.why));
    std::sort(failed.begin(), failed.end());
    std::sort(want.begin(), want.end());
    ASSERT_EQ(failed.size(), want.size()) << text;
    for (size_t k = 0; k < want.size(); ++k)
        EXPECT_EQ(failed[k].substr(0, want[k].size()), want[k]);

    // The copy, and nothing else changed but the temporaries that had to go.
    std::string prefix = (r.deep ? deep + "/" : "") + parent + copyName + "/";
    std::map<std::string, std::string> copy, wantCopy;
    bool wrote = r.status != kKwRefused && r.box != kNoBox;
    for (auto* side : {&before, &after})
        for (auto it = side->begin(); it != side->end();) {
            bool inCopy = wrote && (it->first + "/").rfind(prefix, 0) == 0;
            auto under = [&](const std::vector<const char*>& list) {
                return std::any_of(list.begin(), list.end(),
                                   [&](const char* g) { return it->first.rfind(g, 0) == 0; });
            };
            if (side == &after && inCopy && it->first.size() > prefix.size()) {
                copy[it->first.substr(prefix.size())] = it->second;
                // Every copy is a file the user can edit.
                EXPECT_TRUE(it->second == "<dir>" || IsWritable(Join(row, it->first))) << it->first;
            }
            bool gone = (under(r.gone) && side == &before) || under(r.touched);
            it = inCopy || gone ? side->erase(it) : std::next(it);
        }
    EXPECT_EQ(after, before);
    for (const Item& i : r.want)
        wantCopy[Listed(i.name.c_str())] = i.content;
    EXPECT_EQ(copy, wantCopy);
}

// Each row by what it tries, and its new name.
std::string RowName(const testing::TestParamInfo<Row>& info) {
    std::string name =
        "r" + std::to_string(info.index) + "_" + info.param.what + "_" + info.param.newName;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name.substr(0, 120);
}

INSTANTIATE_TEST_SUITE_P(Table, Job, testing::ValuesIn(Rows()), RowName);

// A root has no parent to make the new folder in.
TEST(JobOf, RootRefused) {
    KwEvents events; // told nothing, answers no
    KwResult r = ProjectKakikae({kWindows ? "C:\\" : "/", "Old", "New"}, &events);
    EXPECT_EQ(r.status, kKwRefused);
    EXPECT_EQ(r.refusal.why, KwSay(kTxtBadDrop));
}

// The trace lines of a drop and a run, and the two forms of a line.
class Trace : public TempTest {};
TEST_F(Trace, LinesOfOneRun) {
    std::string dir = Join(root_, "Old"), sep(1, kPlatSep);
    MakeDir(dir);
    for (const char* f : {"Old.pj", "ab", "pic.bmp"})
        WriteFile(Join(dir, f), f[1] == 'l' ? "Old" : "");
    ASSERT_EQ(KwCliMain({{"cli"}, {dir}, {"Renamed"}}, RecordBox), kKwDone);
    DbgNum("● StrKakikae Ret", 0, 100, 4294967295.0, 0, 0);
    std::vector<std::string> want = {
        "FindPath=" + dir + sep + "*.pj\r\n",
        "● glNewPjNameRenamed\r\n",
        "FindPath=" + dir + sep + "*.*\r\n",
        " FileData.cFileName=ab\r\n",
        " FileData.cFileName=Old.pj\r\n",
        "●●● FileKakikaeToNewFile ●●●NewPath＝" + Join(Join(root_, "Renamed"), "Renamed.pj\r\n"),
        "● FileSize=3, 0, 0, 0, 0\r\n",
        "● StrKakikae Ret=7, 0, 0, 0, 0\r\n",
        " FileData.cFileName=pic.bmp\r\n",
        "● StrKakikae Ret=0, 100, 4294967295, 0, 0\r\n",
    };
    EXPECT_EQ(gTrace, want);
}

} // namespace
