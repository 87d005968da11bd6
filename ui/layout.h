// The main window as both front ends build it: its title, outer size and the six controls,
// with their IDs, client positions and sizes, and texts.
#pragma once

#include <cstddef>
#include <string>

inline constexpr char kWindowTitle[] = "Kestrelwick　(ActiveBasic ver4のプロジェクト名変更ソフト）";
inline constexpr int kWindowWidth = 840; // outer, with the frame
inline constexpr int kWindowHeight = 178;
// The client area of that window on Windows (a sizing frame of 8 and a caption of 23 pixels).
inline constexpr int kClientWidth = 824;
inline constexpr int kClientHeight = 139;

// Control IDs.
enum : int {
    kIdExecute = 1000,
    kIdStep1 = 1001,
    kIdStep2 = 1002,
    kIdNewName = 1003,
    kIdOldCaption = 1004,
    kIdOldName = 1005,
};

enum ControlKind { kButton, kLabel, kEdit };

struct ControlSpec {
    int id;
    ControlKind kind;
    bool visible; // the old-name label shows while a project is known
    int x, y, w, h;
    const char* text;
};

// In the order of their IDs; positions in client pixels.
inline constexpr ControlSpec kControlSpecs[] = {
    {kIdExecute, kButton, true, 316, 91, 363, 38,
     "③　（‘ v‘）/　実行！（元プロジェクトと同じフォルダ内にできます）"},
    {kIdStep1, kLabel, true, 15, 13, 797, 15,
     "①名前を変えたいプロジェクトのフォルダをドロップしてください。　"
     "元のプロジェクトはそのまま残ります。"},
    {kIdStep2, kLabel, true, 13, 61, 232, 12, "②新しいプロジェクト名を入力してください。→"},
    {kIdNewName, kEdit, true, 246, 58, 556, 21, ""},
    {kIdOldCaption, kLabel, true, 37, 33, 92, 21, "旧プロジェクト名"},
    {kIdOldName, kLabel, false, 131, 32, 574, 15, "Text4"},
};

// The ends of the questions a run asks: what a No does.
inline constexpr char kReplaceAsk[] =
    "上書きしてよろしいですか？「いいえ」を選ぶと何も書き込みません。";
inline constexpr char kCodeAsk[] = "それでも続けますか？「いいえ」を選ぶと何も書き込みません。";

// The face of the dialog font, and its height in pixels.
inline constexpr char kFontFace[] = "ＭＳ Ｐゴシック";
inline constexpr int kFontPixels = 12;

// The title while a job runs: "<title> - コピー中 120 / 3000" once the files to copy are
// known; before, while the project is checked and a refusal or a question may come, "確認中".
// A plain hyphen: CP932 has no em dash, and Windows would show another dash than Linux.
inline std::string KwBusyTitle(size_t done, size_t total) {
    std::string title = std::string(kWindowTitle) + " - ";
    if (!total) return title + "確認中";
    return title + "コピー中 " + std::to_string(done) + " / " + std::to_string(total);
}
