#include "cli/cli.h"

#include "engine/state.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "ui/commands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: kestrelwick-cli [--dry-run] [--trace] PROJECT_FOLDER NEW_NAME\n"
    "\n"
    "Copies the project in PROJECT_FOLDER into a sibling folder NEW_NAME, replacing the\n"
    "project name in file names and in the project's text files. The original is only read.\n"
    "\n"
    "  --dry-run  print what would be done for every entry and write nothing\n"
    "  --trace    write the trace lines to standard error\n"
    "  --help     print this text\n"
    "\n"
    "exit status: 0 every file copied, 1 some file failed, 2 refused (nothing written)\n";

// Message boxes become lines on the terminal.
void PrintBox(const char* text, const char* caption, unsigned) {
    std::string line = *caption ? std::string("[") + caption + "] " : std::string();
    for (const char* p = text; *p; ++p)
        if (*p != '\r') line += *p;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void TraceToStderr(const char* line) {
    std::string s = line;
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.replace(s.size() - 2, 2, "\n");
    std::fputs(s.c_str(), stderr);
}

const char* ActionText(const KwPlanEntry& e) {
    switch (e.action) {
    case kKwRewrite: return "rewrite";
    case kKwCopy: return "copy";
    case kKwSkipShort: return "skip (name of 2 bytes or less)";
    case kKwSkipFolder: return "skip (folder)";
    default: return "fail";
    }
}

bool IsSep(char c) {
    return c == kPlatSep || c == '/';
}

// A typed path may end in a separator or have none; a dropped one never does.
std::string AsDropped(std::string path) {
    while (path.size() > 1 && IsSep(path.back()) && !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    bool hasSep = false;
    for (char c : path)
        hasSep = hasSep || IsSep(c);
    return hasSep ? path : std::string(".") + kPlatSep + path;
}

int DryRun() {
    KwPlan plan;
    if (std::string refusal = KwMakePlan(&plan); !refusal.empty()) {
        PrintBox(refusal.c_str(), kTxtCaption, kBoxTopmost);
        return kKwRefused;
    }
    std::printf("new folder: %s\n", plan.newFolder.c_str());
    for (const KwPlanEntry& e : plan.entries) {
        std::printf("%s -> %s : %s%s%s\n", e.name.c_str(), e.copyName.c_str(), ActionText(e),
                    e.why.empty() ? "" : " ", e.why.c_str());
    }
    return kKwDone;
}

} // namespace

int KwCliMain(int argc, char** argv) {
    bool dryRun = false, trace = false;
    const char* args[2] = {};
    int nargs = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--dry-run") == 0)
            dryRun = true;
        else if (std::strcmp(argv[i], "--trace") == 0)
            trace = true;
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            nargs = 3; // unknown option
        else if (nargs < 2)
            args[nargs++] = argv[i];
        else
            nargs = 3;
    }
    if (nargs != 2) {
        std::fputs(kUsage, stderr);
        return kKwRefused;
    }
    glPlat.Box = PrintBox;
    if (trace) glPlat.DebugOut = TraceToStderr;

    glOldPjName.clear(); // each run is a fresh start, as a new window would be
    OnDropPath(AsDropped(args[0]));
    if (dryRun) {
        if (const char* refusal = AcceptExecute(args[1])) {
            PrintBox(refusal, kTxtCaption, kBoxTopmost);
            return kKwRefused;
        }
        return DryRun();
    }
    std::vector<KwFailure> failures;
    KwJobStatus status = ExecuteCommand(args[1], &failures);
    // The box lists the first failures; the terminal gets every one.
    for (size_t i = kKwFailuresShown; i < failures.size(); ++i)
        std::printf("%s：%s\n", failures[i].name.c_str(), failures[i].why.c_str());
    return status;
}
