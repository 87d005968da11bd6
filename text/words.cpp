#include "text/words.h"

#include <atomic>

namespace {
std::atomic<KwVoice> gVoice{kVoiceWindow};
}

void KwSetVoice(KwVoice voice) {
    gVoice = voice;
}

KwVoice KwGetVoice() {
    return gVoice;
}
