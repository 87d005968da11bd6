// The bytes of a text as the encoding decision reads them: a vector at a time (16 bytes with
// SSE2, 32 with AVX2, the width the search uses: KwFindLevel), byte by byte else.
#pragma once

#include <cstddef>
#include <type_traits>

// `upto`: about how far the text reads in the encoding (n where it is valid; a vector scan
// says the block where it fails, a plain one 0): which is likely the most of a mixed text's.
struct KwUtf8Scan {
    bool ascii; // no byte above 7F
    bool valid; // valid UTF-8
    size_t upto;
};
KwUtf8Scan KwScanUtf8(const char* p, size_t n);
bool KwScanCp932(const char* p, size_t n, size_t* upto = nullptr);
// Whether valid UTF-8 holds only what a Japanese project's texts hold.
bool KwScanJapanese(const char* p, size_t n);

enum KwLineKind { kLineAscii, kLineUtf8, kLineCp932, kLineBoth, kLineNeither };
// Each line (up to and with its "\n", a line ending where the next begins) and what it is
// valid in, a batch at a time.
struct KwLine {
    size_t end;
    KwLineKind kind;
};
using KwLinesFn = void (*)(void* ctx, const KwLine* lines, size_t count);
void KwScanLines(const char* p, size_t n, KwLinesFn fn, void* ctx);
template <typename F> void KwForEachLine(const char* p, size_t n, F&& f) {
    struct Ctx {
        std::remove_reference_t<F>* f;
        size_t begin;
    } ctx{&f, 0};
    KwScanLines(
        p, n,
        [](void* c, const KwLine* lines, size_t count) {
            auto* x = static_cast<Ctx*>(c);
            for (size_t i = 0; i < count; x->begin = lines[i++].end)
                (*x->f)(x->begin, lines[i].end, lines[i].kind);
        },
        &ctx);
}

// The lines not valid in UTF-8 (`utf8`) or CP932, in order, while `fn` returns true. Where
// the text is valid, this costs no more than checking that it is.
using KwInvalidFn = bool (*)(void* ctx, size_t begin, size_t end);
void KwInvalidLines(const char* p, size_t n, bool utf8, KwInvalidFn fn, void* ctx);
template <typename F> void KwForEachInvalidLine(const char* p, size_t n, bool utf8, F&& f) {
    KwInvalidLines(
        p, n, utf8,
        [](void* c, size_t b, size_t e) {
            return (*static_cast<std::remove_reference_t<F>*>(c))(b, e);
        },
        &f);
}
