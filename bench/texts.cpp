#include "bench/bench.h"

#include "platform/platform.h"

#include <utility>

namespace {

using Lines = std::vector<std::string>;

// Lines of BASIC source of varied length, none holding a project name.
const Lines kSource = {
    "Dim hWnd As HWND",
    "Sub MainWnd_Create(ByRef CreateStruct As CREATESTRUCT)",
    "    SetWindowText(hWnd, \"Title\")",
    "End Sub",
    "' draws the list again after every change",
    "    For i = 0 To count - 1",
    "        total = total + items[i].size",
    "    Next",
    "Function GetItemCount() As Long",
    "    If hList = 0 Then Exit Function",
    "#include <RadSupport.sbp>",
};

// Japanese lines, each in the build's ANSI form and in UTF-8.
#define KW_JA(text)                                                                                \
    { text, reinterpret_cast<const char*>(u8##text) }
const std::pair<const char*, const char*> kJapanese[] = {
    KW_JA("' ウィンドウを作成します"),
    KW_JA("    MessageBox(hWnd, \"保存しました\", \"確認\", MB_OK)"),
    KW_JA("' 表示の更新（ソフトウェア描画）"),
    KW_JA("Dim 件数 As Long"),
    KW_JA("' 予定表のデータを読み込む"),
    KW_JA("    SetWindowText(hWnd, \"設定を変更しました\")"),
};
// Comments written mostly in hiragana: the CP932 lead byte 82 is a third of the text.
const std::pair<const char*, const char*> kHiragana[] = {
    KW_JA("' これはひらがなのおおいぶんしょうです。つぎのぎょうをよみこみます"),
    KW_JA("' まどをつくってから、ないようをかきなおします"),
    KW_JA("    ' かずがかわったら、もういちどかぞえなおす"),
};

Lines Cp932(const std::pair<const char*, const char*>* p, size_t n) {
    Lines out;
    for (size_t i = 0; i < n; ++i) {
        std::string line;
        PlatConvert(p[i].first, kEncAnsi, kEncCp932, &line);
        out.push_back(line);
    }
    return out;
}

Lines Utf8(const std::pair<const char*, const char*>* p, size_t n) {
    Lines out;
    for (size_t i = 0; i < n; ++i)
        out.push_back(p[i].second);
    return out;
}

// Chunks of `every` bytes: the name, then whole lines while they fit, padded with spaces.
std::string Fill(size_t size, size_t every, const std::string& name, const Lines& lines) {
    std::string text;
    text.reserve(size + 256);
    size_t k = 0;
    while (text.size() < size) {
        size_t chunkEnd = every ? text.size() + every : size;
        if (every) text += name + " ";
        for (;;) {
            std::string line = lines[k % lines.size()] + "\r\n";
            if (text.size() + line.size() > chunkEnd) break;
            text += line;
            ++k;
        }
        text.append(chunkEnd - text.size() > 2 ? chunkEnd - text.size() - 2 : 0, ' ');
        if (text.size() + 2 <= chunkEnd) text += "\r\n";
        if (!every) break;
    }
    text.resize(size, ' ');
    return text;
}

const Lines& Ja() {
    static const Lines lines = Cp932(kJapanese, std::size(kJapanese));
    return lines;
}

} // namespace

std::string SourceText(size_t size, size_t every, const std::string& name) {
    return Fill(size, every, name, kSource);
}

const std::vector<Workload>& Workloads() {
    // サンプル改, さんぷる and てすと in CP932; サンプル改 in UTF-8.
    static const std::string kSampleKai = "\x83\x54\x83\x93\x83\x76\x83\x8B\x89\xFC";
    static const std::string kSanpuru = "\x82\xB3\x82\xF1\x82\xD5\x82\xE9";
    static const std::string kTesuto = "\x82\xC4\x82\xB7\x82\xC6";
    static const std::string kSampleKaiUtf8 = reinterpret_cast<const char*>(u8"サンプル改");
    static const std::vector<Workload> all = {
        {"no-occurrence", "SampleApp", "RenamedApp", false,
         [](size_t n, const std::string& o) { return SourceText(n, 0, o); }},
        {"one-per-2KB", "SampleApp", "RenamedApp", false,
         [](size_t n, const std::string& o) { return SourceText(n, 2048, o); }},
        {"one-per-64B", "SampleApp", "RenamedApp", false,
         [](size_t n, const std::string& o) { return SourceText(n, 64, o); }},
        // Every replacement makes the next occurrence where the new name meets the text.
        {"junction-ab-a", "ab", "a", false,
         [](size_t n, const std::string&) {
             return std::string(n / 2, 'a') + std::string(n - n / 2, 'b');
         }},
        // A first byte the text is full of.
        {"editor-per-2KB", "editor", "viewer", false,
         [](size_t n, const std::string& o) { return SourceText(n, 2048, o); }},
        {"cp932-per-2KB", "SampleApp", kSampleKai, true,
         [](size_t n, const std::string& o) { return Fill(n, 2048, o, Ja()); }},
        // The same CP932 text searched byte by byte: what the boundary check costs.
        {"cp932-as-bytes", "SampleApp", kSampleKai, false,
         [](size_t n, const std::string& o) { return Fill(n, 2048, o, Ja()); }},
        {"hiragana-per-2KB", kSanpuru, kTesuto, true,
         [](size_t n, const std::string& o) {
             static const Lines lines = Cp932(kHiragana, std::size(kHiragana));
             return Fill(n, 2048, o, lines);
         }},
        {"hiragana-as-bytes", kSanpuru, kTesuto, false,
         [](size_t n, const std::string& o) {
             static const Lines lines = Cp932(kHiragana, std::size(kHiragana));
             return Fill(n, 2048, o, lines);
         }},
        {"utf8-per-2KB", "SampleApp", kSampleKaiUtf8, false,
         [](size_t n, const std::string& o) {
             static const Lines lines = Utf8(kJapanese, std::size(kJapanese));
             return Fill(n, 2048, o, lines);
         }},
        // The same with a line pasted from a CP932 text in every 50: read line by line.
        {"mixed-per-2KB", "SampleApp", kSampleKaiUtf8, false,
         [](size_t n, const std::string& o) {
             static const Lines lines = [] {
                 Lines utf8 = Utf8(kJapanese, std::size(kJapanese)), out;
                 for (size_t k = 0; k < 50; ++k)
                     out.push_back(k == 49 ? Ja()[k % Ja().size()] : utf8[k % utf8.size()]);
                 return out;
             }();
             return Fill(n, 2048, o, lines);
         }},
    };
    return all;
}
