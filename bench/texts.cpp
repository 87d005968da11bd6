#include "bench/bench.h"

#include "platform/platform.h"

namespace {

// Lines of BASIC source of varied length, none holding a project name.
const char* const kSource[] = {
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

// The same in Japanese, written here in UTF-8.
const char* const kJapanese[] = {
    "' ウィンドウを作成します",         "    MessageBox(hWnd, \"保存しました\", \"確認\", MB_OK)",
    "' 表示の更新（ソフトウェア描画）", "Dim 件数 As Long",
    "' 予定表のデータを読み込む",       "    SetWindowText(hWnd, \"設定を変更しました\")",
};

// Chunks of `every` bytes: the name, then whole lines while they fit, padded with spaces.
std::string Fill(size_t size, size_t every, const std::string& name, const char* const* lines,
                 size_t nlines) {
    std::string text;
    text.reserve(size + 256);
    size_t k = 0;
    while (text.size() < size) {
        size_t chunkEnd = every ? text.size() + every : size;
        if (every) text += name + " ";
        for (;;) {
            std::string line = std::string(lines[k % nlines]) + "\r\n";
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

std::string FromUtf8(const std::string& s) {
    std::string out;
    glPlat.ToCp932(s, &out);
    return out;
}

} // namespace

std::string SourceText(size_t size, size_t every, const std::string& name) {
    return Fill(size, every, name, kSource, std::size(kSource));
}

std::string Utf8Text(size_t size, size_t every, const std::string& name) {
    return Fill(size, every, name, kJapanese, std::size(kJapanese));
}

std::string Cp932Text(size_t size, size_t every, const std::string& name) {
    std::vector<std::string> lines;
    for (const char* l : kJapanese)
        lines.push_back(FromUtf8(l));
    std::vector<const char*> ptrs;
    for (const std::string& l : lines)
        ptrs.push_back(l.c_str());
    return Fill(size, every, FromUtf8(name), ptrs.data(), ptrs.size());
}

const std::vector<Workload>& Workloads() {
    static const std::vector<Workload> all = {
        {"no-occurrence", "SampleApp", "RenamedApp", false, true,
         [](size_t n, const std::string& o) { return SourceText(n, 0, o); }},
        {"one-per-2KB", "SampleApp", "RenamedApp", false, true,
         [](size_t n, const std::string& o) { return SourceText(n, 2048, o); }},
        {"one-per-64B", "SampleApp", "RenamedApp", false, true,
         [](size_t n, const std::string& o) { return SourceText(n, 64, o); }},
        // Every replacement makes the next occurrence where the new name meets the text.
        {"junction-ab-a", "ab", "a", false, false,
         [](size_t n, const std::string&) {
             return std::string(n / 2, 'a') + std::string(n - n / 2, 'b');
         }},
        {"cp932-per-2KB", "SampleApp", "\x83\x54\x83\x93\x83\x76\x83\x8B\x89\xFC", true, true,
         [](size_t n, const std::string& o) { return Cp932Text(n, 2048, o); }},
        // The same CP932 text searched byte by byte: what the boundary check costs.
        {"cp932-as-bytes", "SampleApp", "\x83\x54\x83\x93\x83\x76\x83\x8B\x89\xFC", false, true,
         [](size_t n, const std::string& o) { return Cp932Text(n, 2048, o); }},
        {"utf8-per-2KB", "SampleApp", "サンプル改", false, true,
         [](size_t n, const std::string& o) { return Utf8Text(n, 2048, o); }},
    };
    return all;
}
