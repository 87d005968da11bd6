// Replacing the old project name by the new one inside a byte string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A growable byte buffer on the platform heap. Its text (len bytes, which may hold zero bytes
// of their own) starts `at` bytes into it and is followed by a zero byte, so it can be read as
// a zero-terminated string. The room before the text lets a replacement grow it in place.
struct KwBuf {
    char* p = nullptr;
    size_t len = 0;
    size_t cap = 0; // room for cap bytes plus the terminator
    size_t at = 0;
    char* text() const { return p + at; }

    // Its own: freed when it goes, also when something thrown cuts a replacement short.
    KwBuf() = default;
    KwBuf(const KwBuf&) = delete;
    KwBuf& operator=(const KwBuf&) = delete;
    KwBuf(KwBuf&& o) noexcept { *this = static_cast<KwBuf&&>(o); }
    KwBuf& operator=(KwBuf&& o) noexcept;
    ~KwBuf();
};

// Makes room for cap bytes from the start of the buffer; the text keeps its place. It grows by
// half at least, to spare copies, but never past `most`.
bool KwBufReserve(KwBuf* b, size_t cap, size_t most = SIZE_MAX);
void KwBufFree(KwBuf* b);
// Puts text into the buffer, `at` bytes in (room to grow in place before it).
bool KwBufAssign(KwBuf* b, std::string_view text, size_t at);

enum KakikaeError {
    kKakikaeOk = 0,
    kKakikaeNoEnd,    // the replacing would not come to an end
    kKakikaeTooLarge, // the result would pass the growth limit
    kKakikaeNoMemory,
};

inline constexpr size_t kKakikaeUnsearched = SIZE_MAX;

// Where an occurrence may begin.
enum KwUnit : uint8_t {
    kUnitByte,  // anywhere (UTF-8, ASCII)
    kUnitCp932, // where a CP932 character begins
    kUnitWord,  // at an even offset (UTF-16)
};

struct KakikaeRules {
    KwUnit unit = kUnitByte;
    bool fold = false; // CP932: the other byte forms of the old name's characters count too
    size_t limit = 0;  // largest result; 0 gives 4 times the text plus 64 MiB
    // Where the caller found the old name's bytes already (the text's length when it found
    // none), so that the text is searched once. Not with `fold`.
    size_t first = kKakikaeUnsearched;
};

// How many bytes of room to leave before a text of `size` bytes so that replacing oldName by
// newName in it most likely fits in place.
size_t KakikaeRoom(size_t size, std::string_view newName, std::string_view oldName);

// Replaces every occurrence of oldName by newName, again from the start after each
// replacement, so an occurrence formed where the new name meets its neighbours is replaced
// too. When the new name holds the old one that would never end: then each occurrence of the
// original text is replaced once, left to right. Returns the new length, or -1 with *err set;
// *count, where given, gets the number of replacements made.
// The KwBuf form works in the text's own buffer where it can (the result may start anywhere
// in it, see `at`) and leaves the text undefined on failure; the string form leaves it as it
// was.
int64_t StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err, uint64_t* count = nullptr);
int64_t StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err, uint64_t* count = nullptr);
