#include "text/replace.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kakikae {

namespace {

// The general case: the text as it stands is the output, what is still to be read again of
// new names, then the input. The output never holds an occurrence, so the first one to end
// is the leftmost: the result of searching again from the start. A new one can only end
// where a byte that ends the old name is added, and in the input only inside the old name's
// length from where a new name ends; past that the input is copied up to its next occurrence
// in one go.
struct Rewriter {
    const Pattern& pat;
    std::string_view nw;
    Sink& sink;
    const char* in;
    size_t n;
    uint64_t count = 0;
    std::vector<size_t> pend;       // how much of each new name has been read again; the last first
    std::vector<uint32_t> nextLast; // in the new name: where the next byte that may end one is
    std::string look;               // the end of the window and what follows it
    // CP932: where characters of the output are known to begin (the last, and one every
    // 4 KiB or more for looking back)
    size_t known = 0;
    std::vector<size_t> marks{0};

    bool Begins(size_t pos) {
        if (pat.unit != kUnitCp932 || pos >= known) {
            bool b = pat.Begins(sink.out, &known, pos);
            if (known - marks.back() >= 4096) marks.push_back(known);
            return b;
        }
        size_t from = *(std::upper_bound(marks.begin(), marks.end(), pos) - 1);
        return IsCp932Boundary(sink.out, from, pos);
    }

    // Whether the output ends with an occurrence; if so, it is taken off, and the new name is
    // to be read again in its place.
    bool Ends() {
        size_t m = pat.m, len = sink.len;
        if (len < m || !pat.Same(sink.out + len - m) || !Begins(len - m)) return false;
        Replace(len - m);
        return true;
    }

    void Replace(size_t start) {
        sink.len = start;
        while (marks.back() > start)
            marks.pop_back();
        known = std::min(known, start);
        pend.push_back(0);
        ++count;
    }

    // The window, where the new name is no longer than the old one and holds no byte that
    // ends it, bytes only: the output then stays behind the input, and a new name read again
    // completes nothing, so it goes in whole and only a byte that ends the old name is checked.
    [[gnu::noinline]] void Quick(size_t* pos, size_t* window, size_t* scan) {
        // In locals, the name's bytes too: through the bytes written, the compiler would
        // read them from memory again. Kept out of line, for registers of its own.
        const size_t m = pat.m, add = nw.size();
        const char *old = pat.old.data(), *name = nw.data(), *stop = in + n;
        const char last = old[m - 1], before = m > 1 ? old[m - 2] : 0, first = add ? name[0] : 0;
        const char *p = in + *pos, *end = in + std::min(*window, n);
        char *o = sink.out + sink.len, *whole = sink.out + m; // an occurrence fits from there
        size_t made = 0;
        while (p < end) {
            char c = *p++;
            *o++ = c;
            if (c != last || o < whole) continue;
            // Byte by byte: a wider load of bytes just stored one at a time waits for them.
            const char* t = o - m;
            if (m > 1 && t[m - 2] != before) continue;
            size_t k = 0;
            while (k + 2 < m && t[k] == old[k])
                ++k;
            if (k + 2 < m) continue;
            o -= m;
            if (add == 1)
                *o = first;
            else
                Copy(o, name, add);
            o += add;
            ++made;
            end = std::min(p + m - 1, stop);
        }
        // The loop ends where the window does, m - 1 past the last replacement (or at the
        // text's end, where the scan no longer matters).
        sink.len = static_cast<size_t>(o - sink.out);
        count += made;
        *pos = static_cast<size_t>(p - in);
        *window = *pos;
        if (made) *scan = *pos + 1 - m;
    }

    KakikaeError Run(size_t first) {
        size_t m = pat.m, i = 0, next = first;
        // Input before `window` is added a byte that may end an occurrence at a time; no
        // occurrence begins in the input from `scan` on but at `next` and past it.
        size_t window = 0, scan = 0;
        nextLast.assign(nw.size() + 1, static_cast<uint32_t>(nw.size()));
        for (size_t k = nw.size(); k-- > 0;)
            nextLast[k] = pat.IsLast(nw[k]) ? static_cast<uint32_t>(k) : nextLast[k + 1];
        // Work without end that does not grow (a cycle of equal-length rewrites) stops here.
        uint64_t work = 0, workMax = n + 4 * static_cast<uint64_t>(sink.limit);
        const bool quick =
            pat.unit == kUnitByte && !pat.fold && nw.size() <= m && nextLast[0] == nw.size();
        for (;;) {
            if (!pend.empty()) {
                size_t at = pend.back(), k = nextLast[at];
                size_t end = k < nw.size() ? k + 1 : nw.size();
                if ((work += end - at) > workMax) return kKakikaeNoEnd;
                if (!sink.Append(nw.data() + at, end - at, i)) return sink.err;
                if (end == nw.size())
                    pend.pop_back();
                else
                    pend.back() = end;
                if (k < nw.size()) Ends();
                if (pend.empty()) window = i + m - 1, scan = i;
                continue;
            }
            if (i < window && i < n && quick) {
                size_t from = i, made = count;
                Quick(&i, &window, &scan);
                if ((work += i - from + (count - made) * nw.size()) > workMax) return kKakikaeNoEnd;
                continue;
            }
            if (i < window && i < n) {
                size_t k = i, end = std::min(window, n);
                while (k < end && !pat.IsLast(in[k]))
                    ++k;
                size_t upto = k < end ? k + 1 : end;
                if ((work += upto - i) > workMax) return kKakikaeNoEnd;
                if (!sink.Append(in + i, upto - i, upto)) return sink.err;
                i = upto;
                if (k < end) Ends();
                continue;
            }
            if (i == n) return kKakikaeOk;
            if (next < scan && scan < i) {
                // One may have begun in the window and end past it. The input read there may
                // be written over by now; the output ends with the same bytes.
                size_t back = i - scan, ahead = std::min(m - 1, n - i);
                look.assign(sink.out + sink.len - back, back);
                look.append(in + i, ahead);
                size_t c = pat.Candidate(look.data(), 0, look.size());
                if (c < back) { // looked at where it ends
                    window = scan + c + m;
                    scan += c + 1;
                    continue;
                }
                scan = i;
            }
            if (next < scan) next = pat.Candidate(in, scan, n);
            if (!sink.Append(in + i, next - i, next)) return sink.err;
            work += next - i;
            i = scan = next;
            if (i == n) return kKakikaeOk;
            scan = i + 1;
            if (Begins(sink.len)) {
                i += m;
                Replace(sink.len);
            } else if (!sink.Append(in + i, 1, i + 1)) {
                return sink.err;
            } else {
                ++i;
            }
        }
    }
};

} // namespace

KakikaeError RewriteAll(Sink* sink, const Pattern& pat, const char* in, size_t n, size_t first,
                        std::string_view nw, uint64_t* count) {
    Rewriter r{pat, nw, *sink, in, n, 0, {}, {}, {}};
    KakikaeError err = r.Run(first);
    *count = r.count;
    return err;
}

} // namespace kakikae
