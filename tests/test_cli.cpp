#include "cli/cli.h"

#include "tests/support.h"

namespace {

class Cli : public TempTest {
  protected:
    int Main(std::vector<PlatArg> args) {
        args.insert(args.begin(), {"kestrelwick-cli", true});
        return KwCliMain(args);
    }
};

TEST_F(Cli, ExitStatuses) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"Old.txt", "x"}, {"New.txt", "y"}});
    std::string plain = MakeProject("Plain", {{"Plain.pj", "Plain"}});
    std::string none = MakeProject("None", {{"readme.txt", ""}});
    // exact false: what Windows gives for text the ANSI code page can't hold (Café).
    struct Row {
        std::vector<PlatArg> args;
        int status;
        const char* created; // folder that must exist afterwards, or nullptr
    } rows[] = {
        {{{"--help"}}, 0, nullptr},
        {{{dir}}, 2, nullptr},
        {{{"--bogus"}, {dir}, {"X"}}, 2, nullptr},
        {{{none}, {"X"}}, 2, nullptr},  // no project file
        {{{dir}, {"New"}}, 2, nullptr}, // Old.txt and New.txt collide
        {{{dir}, {"bad|name"}}, 2, nullptr},
        {{{plain}, {""}}, 2, nullptr},
        {{{plain}, {"Cafe", false}}, 2, nullptr},
        {{{plain + "x", false}, {"X"}}, 2, nullptr},
        {{{"--dry-run"}, {plain}, {"Dry"}}, 0, nullptr},
        {{{plain + kPlatSep}, {"Copy"}}, 0, "Copy"}, // a typed trailing separator is fine
        {{{"--trace"}, {plain}, {"Traced"}}, 0, "Traced"},
        {{{"--"}, {plain}, {"-Dash"}}, 0, "-Dash"},
        {{{plain}, {"-Dash2"}}, 2, nullptr}, // an option, unknown
    };
    for (const Row& r : rows) {
        std::string line;
        for (const PlatArg& a : r.args)
            line += a.text + " ";
        EXPECT_EQ(Main(r.args), r.status) << line;
        if (r.created) {
            std::string pj = Join(Join(root_, r.created), std::string(r.created) + ".pj");
            EXPECT_EQ(ReadFile(pj), r.created) << line;
        }
    }
    for (const char* never : {"X", "New", "Dry", "bad|name", "Cafe", "-Dash2"})
        EXPECT_FALSE(Exists(Join(root_, never))) << never;
}

TEST_F(Cli, SomeFileFailedIsStatusOne) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"Old.ico", "i"}});
    MakeDir(Join(root_, "New"));
    MakeDir(Join(Join(root_, "New"), "New.ico"));
    EXPECT_EQ(Main({{dir}, {"New"}}), 1);
}

} // namespace
