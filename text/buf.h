// A growable byte buffer on the platform heap, freed when it goes.
#pragma once

#include "text/words.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Its text (len bytes, which may hold zero bytes of their own) starts `at` bytes into it and
// is followed by a zero byte, so it can be read as a zero-terminated string. The room before
// the text lets a replacement grow it in place.
struct KwBuf {
    char* p = nullptr;
    size_t len = 0;
    size_t cap = 0; // room for cap bytes plus the terminator
    size_t at = 0;
    char* text() const { return p + at; }

    KwBuf() = default;
    KwBuf(const KwBuf&) = delete;
    KwBuf& operator=(const KwBuf&) = delete;
    KwBuf(KwBuf&& o) noexcept { *this = static_cast<KwBuf&&>(o); }
    KwBuf& operator=(KwBuf&& o) noexcept;
    ~KwBuf();
};

// Makes room for cap bytes from the start of the buffer; the text keeps its place. It grows by
// half at least, to spare copies, but never past `most`.
KwError KwBufReserve(KwBuf* b, size_t cap, size_t most = SIZE_MAX);
// Puts text into the buffer, `at` bytes in (room to grow in place before it).
KwError KwBufAssign(KwBuf* b, std::string_view text, size_t at);

inline constexpr KwText kTxtWhyNoMemory = {"メモリが足りません", "not enough memory"};
