// What a drop and a press say, and the question before files are replaced: the same words in
// both windows and, where the command line has none of its own, there too.
#pragma once

#include "text/words.h"

#include <string>

inline constexpr char kTxtCaption[] = "Kesterlwick";
inline constexpr KwText kTxtNoProject = {
    "（‘ v‘）/名前を変えたいプロジェクトのフォルダをドロップしてください。",
    "Give the folder of the project to rename.",
    "（‘ v‘）/名前を変えたいプロジェクトのフォルダを指定してください。"};
inline constexpr KwText kTxtNoNewName = {"（‘ v‘）/新しい名前を入力してください。",
                                         "Give the new name.",
                                         "（‘ v‘）/新しい名前を指定してください。"};
inline constexpr KwText kTxtDropNotCp932 = {
    "（‘ v‘）/ドロップされたフォルダのパスに Shift_JIS（CP932）で表せない文字が含まれています。"
    "フォルダの名前を変えてからドロップしてください。",
    "The folder's path holds a character that Shift_JIS (CP932) can't hold. Rename the folder "
    "first.",
    "（‘ v‘）/指定されたフォルダのパスに Shift_JIS（CP932）で表せない文字が含まれています。"
    "フォルダの名前を変えてから指定してください。"};

// Before files of an existing new folder are replaced.
inline constexpr KwText kTxtReplaceHead = {
    "（‘ v‘）/次のフォルダは既にあります。コピーすると、中にある同じ名前のファイルが上書き"
    "されます。",
    "This folder exists already: the copy would overwrite files of the same names in it."};
inline constexpr KwText kTxtReplaceList = {"上書きされるファイル（", "Files overwritten ("};
inline constexpr KwText kTxtReplaceUnit = {" 件）：", "):"};
inline constexpr size_t kKwReplacedShown = 10;

// Before the new name goes where the program would no longer compile.
inline constexpr KwText kTxtCodeHead = {"（‘ v‘）/新しい名前「", "The new name \""};
inline constexpr KwText kTxtCodeHeadEnd = {
    "」がプログラムの識別子に入ります。ActiveBasic の識別子には半角英数字とアンダースコア（_）"
    "しか使えないため、このままではコンパイルできません：",
    "\" would go into identifiers of the program, which ActiveBasic allows only ASCII letters, "
    "digits and the underscore (_) in: the copy would not compile. Where:"};
inline constexpr KwText kTxtCodeLine = {"", "line "};
inline constexpr KwText kTxtCodeLineEnd = {" 行目「", ": "};
inline constexpr KwText kTxtCodeIdentEnd = {"」", ""};
inline constexpr size_t kKwPlacesShown = 10;

// What ends a job that something thrown cut short.
inline constexpr KwText kTxtUnexpected = {"予期しないエラーが発生しました",
                                          "an unexpected error occurred"};

// The programs' own: an option that is none of theirs.
inline constexpr KwText kTxtBadOption = {"不明なオプションです", "unknown option"};
inline constexpr KwText kTxtHelpHint = {"で使い方を表示します", "shows the usage"};
// How to see a program's usage, as a line of its own.
inline std::string KwHelpHint(const std::string& program) {
    std::string help = program + " --help";
    return (KwJapaneseVoice() ? "（" : "(") + help + " " + KwSay(kTxtHelpHint) +
           (KwJapaneseVoice() ? "）" : ")") + "\n";
}
// "PROGRAM: unknown option: OPTION" and how to see the usage.
inline std::string KwBadOptionText(const std::string& program, const std::string& option) {
    return program + ": " + KwSay(kTxtBadOption) + ": " + option + "\n" + KwHelpHint(program);
}
