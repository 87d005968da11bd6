// What the window program does with its arguments before it opens a window, the same on both
// systems: --help and --version print and end it, an unknown option is named; else the first
// other argument is a folder (or a file of a project) to take as if it had been dropped.
#pragma once

#include "commands/texts.h"
#include "platform/platform.h"

#include <string>
#include <vector>

inline constexpr char kWindowUsageEn[] =
    "usage: kestrelwick [FOLDER]\n"
    "\n"
    "Opens the window of Kestrelwick, which copies an ActiveBasic ver4 project under a new\n"
    "project name. A FOLDER given (or a file of the project) is taken as if it had been\n"
    "dropped on the window.\n"
    "\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "\n"
    "Without a window, kestrelwick-cli does the same from the command line.\n";

inline constexpr char kWindowUsageJa[] =
    "使い方: kestrelwick [フォルダ]\n"
    "\n"
    "Kestrelwick（ActiveBasic ver4 のプロジェクト名変更ソフト）のウィンドウを開きます。\n"
    "フォルダ（またはプロジェクトのファイル）を指定すると、ウィンドウにドロップしたのと\n"
    "同じになります。\n"
    "\n"
    "  --help     この説明を表示します\n"
    "  --version  バージョンを表示します\n"
    "\n"
    "ウィンドウを使わずに同じことをするには kestrelwick-cli を使います。\n";

struct KwWindowStart {
    int exit = -1; // >= 0: end now with this code, having said `say` (or `error`)
    std::string say, error;
    const PlatArg* folder = nullptr; // to take as if dropped
};

inline KwWindowStart KwWindowOptions(const std::vector<PlatArg>& args) {
    KwWindowStart start;
    bool ja = PlatJapaneseUser();
    KwSetVoice(ja ? kVoiceJapanese : kVoiceEnglish); // on the terminal, the user's language
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i].text;
        if (a == "--help" || a == "-h") {
            start.say = ja ? kWindowUsageJa : kWindowUsageEn;
            start.exit = 0;
        } else if (a == "--version") {
            start.say = "kestrelwick " KW_VERSION "\n";
            start.exit = 0;
        } else if (a.size() > 1 && a[0] == '-') {
            start.error = KwBadOptionText("kestrelwick", a);
            start.exit = 2;
        } else if (!start.folder && !a.empty()) {
            start.folder = &args[i];
        }
        if (start.exit >= 0) break;
    }
    KwSetVoice(kVoiceWindow);
    return start;
}
