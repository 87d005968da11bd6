#include "cli/cli.h"

#include "engine/state.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "ui/commands.h"

#include <cstdio>
#include <cstring>
#include <vector>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: kestrelwick-cli [--dry-run] [--trace] [--] PROJECT_FOLDER NEW_NAME\n"
    "\n"
    "Copies the project in PROJECT_FOLDER into a sibling folder NEW_NAME, replacing the\n"
    "project name in file names and in the project's text files. The original is only read.\n"
    "\n"
    "  --dry-run  print what would be done for every entry and write nothing\n"
    "  --trace    write the trace lines to standard error\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "  --         what follows is PROJECT_FOLDER and NEW_NAME, even when it starts with -\n"
    "\n"
    "exit status: 0 every file copied, 1 some file failed, 2 refused (nothing written)\n";

} // namespace

// Message boxes become lines on the terminal.
void KwCliBox(const char* text, const char* caption, unsigned) {
    std::string line = *caption ? std::string("[") + caption + "] " : std::string();
    for (const char* p = text; *p; ++p)
        if (*p != '\r') line += *p;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

namespace {

void TraceToStderr(const char* line) {
    std::string s = line;
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.replace(s.size() - 2, 2, "\n");
    std::fputs(s.c_str(), stderr);
}

const char* ActionText(const KwPlanEntry& e) {
    switch (e.action) {
    case kKwRewrite: return "rewrite";
    case kKwCopy: return "copy";
    case kKwSkipDots: return "skip";
    case kKwSkipFolder: return "skip (folder)";
    default: return "fail";
    }
}

int DryRun() {
    KwPlan plan;
    if (std::string refusal = KwMakePlan(&plan); !refusal.empty()) {
        KwCliBox(refusal.c_str(), kTxtCaption, kBoxTopmost);
        return kKwRefused;
    }
    std::printf("new folder: %s\n", plan.newFolder.c_str());
    KwProjectEncoding(&plan);
    KwBuf buf;
    for (const KwPlanEntry& e : plan.entries) {
        if (e.action == kKwSkipDots) continue;
        std::string what = ActionText(e), why = e.why;
        if (e.action == kKwRewrite) {
            // The text as the run reads it: its encoding and how often the name is replaced.
            KwTextInfo info;
            why = KwReadAndRewrite(plan, plan.dropFolder + kPlatSep + e.name, &buf, true, &info);
            if (why.empty())
                what += std::string(" (") + KwEncodingLabel(info) + ", " +
                        std::to_string(info.count) + ")";
            if (info.unreadable) why = kTxtWhyMixed;
        }
        std::printf("%s -> %s : %s%s%s\n", e.name.c_str(), e.copyName.c_str(), what.c_str(),
                    why.empty() ? "" : " ", why.c_str());
    }
    KwBufFree(&buf);
    return kKwDone;
}

} // namespace

int KwCliMain(const std::vector<PlatArg>& argl) {
    bool dryRun = false, trace = false, options = true;
    const PlatArg* args[2] = {};
    int nargs = 0;
    for (size_t i = 1; i < argl.size(); ++i) {
        const std::string& a = argl[i].text;
        if (options && (a == "--help" || a == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (options && a == "--version") {
            std::puts("kestrelwick " KW_VERSION);
            return 0;
        }
        if (options && a == "--")
            options = false;
        else if (options && a == "--dry-run")
            dryRun = true;
        else if (options && a == "--trace")
            trace = true;
        else if (options && a.size() > 1 && a[0] == '-')
            nargs = 3; // unknown option
        else if (nargs < 2)
            args[nargs++] = &argl[i];
        else
            nargs = 3;
    }
    if (nargs != 2) {
        std::fputs(kUsage, stderr);
        return kKwRefused;
    }
    if (trace) glPlat.DebugOut = TraceToStderr;
    if (!args[0]->exact) {
        KwCliBox(kTxtDropNotCp932, kTxtCaption, kBoxTopmost);
        return kKwRefused;
    }

    glOldPjName.clear(); // each run is a fresh start, as a new window would be
    OnDropPath(args[0]->text);
    if (dryRun) {
        if (const char* refusal = AcceptExecute(args[1]->text, args[1]->exact)) {
            KwCliBox(refusal, kTxtCaption, kBoxTopmost);
            return kKwRefused;
        }
        return DryRun();
    }
    std::vector<KwFailure> failures;
    KwJobStatus status = ExecuteCommand(args[1]->text, args[1]->exact, &failures);
    // The box lists the first failures; the terminal gets every one.
    for (size_t i = kKwFailuresShown; i < failures.size(); ++i)
        std::printf("%s：%s\n", failures[i].name.c_str(), failures[i].why.c_str());
    return status;
}
