#include "cli/cli.h"

#include "commands/controller.h"
#include "commands/texts.h"
#include "trace/trace.h"

#include <cstdio>

namespace {

constexpr char kUsageEn[] =
    "usage: kestrelwick-cli [--dry-run] [--overwrite] [--even-in-code] [--trace] [--]\n"
    "                       PROJECT_FOLDER NEW_NAME\n"
    "\n"
    "Copies the project in PROJECT_FOLDER into a sibling folder NEW_NAME, replacing the\n"
    "project name in file names and in the project's text files. The original is only read.\n"
    "PROJECT_FOLDER may also be a file of the project, such as its .pj file.\n"
    "\n"
    "  --dry-run    print what would be done for every entry and write nothing\n"
    "  --overwrite  replace files of a folder NEW_NAME that exists (else nothing is written)\n"
    "  --even-in-code  put NEW_NAME into the program's identifiers though it is no identifier\n"
    "               (ASCII letters, digits and _): the copy would not compile (else nothing\n"
    "               is written)\n"
    "  --trace      write the trace lines to standard error\n"
    "  --help       print this text\n"
    "  --version    print the version\n"
    "  --           what follows is PROJECT_FOLDER and NEW_NAME, even when it starts with -\n"
    "\n"
    "exit status: 0 every file copied, 1 some file failed, 2 refused (nothing written)\n";

constexpr char kUsageJa[] =
    "使い方: kestrelwick-cli [--dry-run] [--overwrite] [--even-in-code] [--trace] [--]\n"
    "                        フォルダ 新しい名前\n"
    "\n"
    "プロジェクトのフォルダと同じ場所に「新しい名前」のフォルダを作り、プロジェクトを\n"
    "新しい名前でコピーします。ファイル名とプロジェクトのテキストファイルの中の古い\n"
    "プロジェクト名を置き換えます。元のプロジェクトは読むだけです。フォルダの代わりに\n"
    "プロジェクトのファイル（.pj ファイルなど）を指定することもできます。\n"
    "\n"
    "  --dry-run    何も書き込まずに、ファイルごとに何をするかを表示します\n"
    "  --overwrite  「新しい名前」のフォルダが既にあるとき、中にある同じ名前のファイルを\n"
    "               上書きします（付けないときは何も書き込まずに中止します）\n"
    "  --even-in-code  新しい名前が識別子にならない名前（半角英数字と _ 以外を含む）でも、\n"
    "               プログラムの識別子に入れます。コピーはコンパイルできなくなります\n"
    "               （付けないときは何も書き込まずに中止します）\n"
    "  --trace      動作の記録を標準エラー出力に書きます\n"
    "  --help       この説明を表示します\n"
    "  --version    バージョンを表示します\n"
    "  --           これ以降は、- で始まっていてもフォルダと名前として扱います\n"
    "\n"
    "終了コード: 0 すべてコピーした、1 コピーできないファイルがあった、\n"
    "            2 何も書き込まずに中止した\n";

constexpr KwText kOverwrite = {
    "置き換えるには --overwrite を付けてください。何も書き込まずに中止しました。",
    "To replace them, give --overwrite. Nothing was written."};
constexpr KwText kEvenInCode = {
    "続けるには --even-in-code を付けてください。何も書き込まずに中止しました。",
    "To go on all the same, give --even-in-code. Nothing was written."};
constexpr KwText kOperands = {"プロジェクトのフォルダと新しい名前を指定してください。",
                              "give a project folder and a new name"};
constexpr KwText kOutputLost = {"標準出力に書き込めませんでした。",
                                "standard output could not be written."};

class CliPort : public KwPort {
  public:
    CliPort(KwCliSink sink, bool overwrite, bool evenInCode)
        : sink_(sink), overwrite_(overwrite), evenInCode_(evenInCode) {}
    void Box(const std::string& text, KwBox kind) override { sink_(text, kind); }
    // No one to ask: the options are the answers, and without one the question says so.
    bool Ask(const std::string& question, KwQuestion kind) override {
        bool yes = kind == kAskCode ? evenInCode_ : overwrite_;
        if (!yes)
            sink_(question + "\r\n" + KwSay(kind == kAskCode ? kEvenInCode : kOverwrite),
                  kBoxRefusal);
        return yes;
    }
    // There is no loop of the command line's to run it in: it runs on the job's thread.
    void Post(std::function<void()> fn) override { fn(); }

  private:
    KwCliSink sink_;
    bool overwrite_, evenInCode_;
};

void TraceToStderr(const char* line) {
    std::string s = line;
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.replace(s.size() - 2, 2, "\n");
    std::fputs(s.c_str(), stderr);
}

// The trace goes back where it went when the run is over.
struct TraceTo {
    explicit TraceTo(bool on) : before(on ? DbgSetSink(TraceToStderr) : nullptr), on(on) {}
    ~TraceTo() {
        if (on) DbgSetSink(before);
    }
    DbgSink before;
    bool on;
};

// The words of a dry run.
constexpr KwText kNewFolder = {"新しいフォルダ：", "new folder: "};
constexpr KwText kArrow = {" → ", " -> "};
constexpr KwText kIs = {"：", " : "};
constexpr KwText kRewrite = {"書き換え", "rewrite"};
constexpr KwText kCopy = {"コピー", "copy"};
constexpr KwText kSkipFolder = {"フォルダなので飛ばす", "skip (folder)"};
constexpr KwText kFail = {"失敗", "fail"};
constexpr KwText kTextSep = {"、", ", "};
constexpr KwText kTimes = {"", "replaced: "};
constexpr KwText kPlaces = {" か所", ""};
constexpr KwText kInCode = {"、コード中 ", ", in code: "};
constexpr KwText kReplace = {"、上書き", ", overwrite"};

// Each entry, the name of its copy and what would be done; a text as the run reads it, with
// its encoding and how often the name would be replaced.
void PrintPlan(const KwResult& r) {
    std::printf("%s%s\n", KwSay(kNewFolder), r.newFolder.c_str());
    for (const KwPlanLine& line : r.plan) {
        const KwPlanEntry& e = line.entry;
        const KwText& action = e.action == kKwRewrite      ? kRewrite
                               : e.action == kKwCopy       ? kCopy
                               : e.action == kKwSkipFolder ? kSkipFolder
                                                           : kFail;
        std::string what = KwSay(action);
        if (line.encoding)
            what += KwSay(kTxtOpen) + std::string(line.encoding) + KwSay(kTextSep) + KwSay(kTimes) +
                    std::to_string(line.count) + KwSay(kPlaces) + KwSay(kTxtClose);
        if (e.codePlaces) what += KwSay(kInCode) + std::to_string(e.codePlaces) + KwSay(kPlaces);
        if (e.replaces) what += KwSay(kReplace);
        if (!line.why.empty()) what += KwSay(kTxtColon) + line.why;
        std::printf("%s%s%s%s%s\n", e.name.c_str(), KwSay(kArrow), e.copyName.c_str(), KwSay(kIs),
                    what.c_str());
    }
}

// Whether something written to standard output did not reach it (a full disk, a closed
// stream); said on standard error where it can be.
bool OutputLost() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && !PlatStdoutClosed()) return false;
    std::fprintf(stderr, "kestrelwick-cli: %s\n", KwSay(kOutputLost));
    return true;
}

} // namespace

void KwCliPrint(const std::string& text, KwBox kind) {
    std::string line = kind == kBoxDone ? "" : "kestrelwick-cli: ";
    for (char c : text)
        if (c != '\r') line += c;
    std::fprintf(kind == kBoxDone ? stdout : stderr, "%s\n", line.c_str());
    std::fflush(kind == kBoxDone ? stdout : stderr);
}

int KwCliMain(const std::vector<PlatArg>& argl, KwCliSink sink) {
    KwSetVoice(PlatJapaneseUser() ? kVoiceJapanese : kVoiceEnglish);
    bool dryRun = false, trace = false, overwrite = false, evenInCode = false, options = true;
    std::vector<const PlatArg*> args;
    for (size_t i = 1; i < argl.size(); ++i) {
        const std::string& a = argl[i].text;
        if (options && (a == "--help" || a == "-h")) {
            std::fputs(KwJapaneseVoice() ? kUsageJa : kUsageEn, stdout);
            return 0;
        }
        if (options && a == "--version") {
            std::puts("kestrelwick-cli " KW_VERSION);
            return 0;
        }
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--dry-run") {
            dryRun = true;
        } else if (options && a == "--trace") {
            trace = true;
        } else if (options && a == "--overwrite") {
            overwrite = true;
        } else if (options && a == "--even-in-code") {
            evenInCode = true;
        } else if (options && a.size() > 1 && a[0] == '-') {
            std::fputs(KwBadOptionText("kestrelwick-cli", a).c_str(), stderr);
            return kKwRefused;
        } else {
            args.push_back(&argl[i]);
        }
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "kestrelwick-cli: %s\n%s", KwSay(kOperands),
                     KwHelpHint("kestrelwick-cli").c_str());
        return kKwRefused;
    }
    TraceTo traced(trace);
    CliPort port(sink, overwrite, evenInCode);
    KwController controller(&port);
    if (!controller.Drop(args[0]->text, args[0]->exact)) return kKwRefused; // it said why
    controller.Execute(args[1]->utf8, dryRun);
    controller.Wait();
    const KwResult& r = controller.Last();
    if (dryRun) {
        if (r.status == kKwRefused) return kKwRefused;
        // A plan no one could read is no plan: nothing was written either way.
        PrintPlan(r);
        return OutputLost() ? kKwRefused : kKwDone;
    }
    // The box lists the first failures; the terminal gets every one.
    for (size_t i = kKwFailuresShown; i < r.failures.size(); ++i)
        std::fprintf(stderr, "%s%s%s\n", r.failures[i].what.c_str(), KwSay(kTxtColon),
                     r.failures[i].why.c_str());
    // The copy is made, but whoever started it was not told so.
    return r.status == kKwDone && OutputLost() ? kKwFailed : r.status;
}
