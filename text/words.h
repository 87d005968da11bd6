// What the user reads: a text in the program's languages, and a failure in those words.
#pragma once

#include <string>

// A text in Japanese and in English, and where the command line says it otherwise (it is
// given a folder and a name, not dropped one and typed the other), its Japanese.
struct KwText {
    const char* ja;
    const char* en;
    const char* jaCommandLine = nullptr;
};

// Who speaks: a window (in Japanese, the program's own language), or the command line in the
// user's language. Set once, at the program's start; a window's voice until then.
enum KwVoice { kVoiceWindow, kVoiceJapanese, kVoiceEnglish };
void KwSetVoice(KwVoice voice);
KwVoice KwGetVoice();
inline bool KwJapaneseVoice() {
    return KwGetVoice() != kVoiceEnglish;
}
inline const char* KwSay(const KwText& text) {
    switch (KwGetVoice()) {
    case kVoiceEnglish: return text.en;
    case kVoiceJapanese: return text.jaCommandLine ? text.jaCommandLine : text.ja;
    default: return text.ja;
    }
}

// The marks that join words: what, then why; a remark in brackets.
inline constexpr KwText kTxtColon = {"：", ": "};
inline constexpr KwText kTxtOpen = {"（", " ("};
inline constexpr KwText kTxtClose = {"）", ")"};

// A failure: why, in the user's words, and what it concerns (a file, a folder, the copies
// that collide; "" for none). Empty where all went well.
struct KwError {
    std::string why, what;
    KwError() = default;
    explicit KwError(const KwText& text, std::string about = "")
        : why(KwSay(text)), what(std::move(about)) {}
    KwError(std::string reason, std::string about)
        : why(std::move(reason)), what(std::move(about)) {}
    explicit operator bool() const { return !why.empty(); }
};
