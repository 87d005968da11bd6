#include "engine/find.h"
#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "tests/reference.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Through a string, and in place in a buffer whose text stands `at` bytes in (its output
// behind the input, or moved out when it would overtake it): both must agree.
std::string Replace(const std::string& text, const std::string& nw, const std::string& old,
                    bool cp932, size_t limit = 0, size_t at = 0) {
    std::string s = text;
    KakikaeError err, err2;
    KwBuf buf;
    KwBufAssign(&buf, text, at);
    bool ok = StrKakikae(&s, nw, old, {cp932, limit}, &err) >= 0;
    bool ok2 = StrKakikae(&buf, nw, old, {cp932, limit}, &err2) >= 0 && !buf.text()[buf.len];
    std::string in = ok2 ? std::string(buf.text(), buf.len) : "<error>";
    KwBufFree(&buf);
    return !ok ? "<error " + std::to_string(err) + ">" : in == s ? s : "<in place: " + in + ">";
}

TEST(StrKakikae, Table) {
    std::string many;
    for (int i = 0; i < 300000; ++i)
        many += "Old ";
    struct Row {
        std::string text, nw, old;
        bool cp932;
        std::string want;
        size_t limit = 0;
    } rows[] = {
        // clang-format off
        {"", "New", "Old", false, ""},
        {"nothing here", "New", "Old", false, "nothing here"},
        {"Old", "New", "Old", false, "New"},
        {"xOld.txt", "New", "Old", false, "xNew.txt"},
        {"OldOld", "N", "Old", false, "NN"},
        {"a Old b Old c", "", "Old", false, "a  b  c"},
        {"ABC abc", "x", "abc", false, "ABC x"},
        // An occurrence formed where the new name meets the text is replaced too.
        {"aabb", "a", "ab", false, "aa"},
        // A new name holding the old: each occurrence of the text once.
        {"MyApp MyAppMyApp", "MyApp2", "MyApp", false, "MyApp2 MyApp2MyApp2"},
        {"Same", "Same", "Same", false, "Same"},
        {std::string("Old\0Old\0", 8), "N", "Old", false, std::string("N\0N\0", 4)},
        // Growth without end, or past the limit, is an error.
        {std::string(40, 'a') + "b", "bba", "ab", false, "<error 2>", 1 << 20},
        {std::string(40, 'a') + "b", "bba", "ab", true, "<error 2>", 1 << 20},
        {many, "AMuchLongerProjectName", "Old", false, "<error 2>", many.size() * 5},
        // CP932: a match begins on a character boundary (アbc, アAbc, ソフ, テスト).
        {"\x83\x41" "bc", "xyz", "Abc", true, "\x83\x41" "bc"},
        {"\x83\x41" "bc", "xyz", "Abc", false, "\x83" "xyz"},
        {"\x83\x41" "Abc", "xyz", "Abc", true, "\x83\x41" "xyz"},
        {"A\x83\x41" "bc", "Q", "\x41" "bc", true, "A\x83\x41" "bc"},
        {"\x83\x5C\x83\x74", "N", "\x5C\x83", true, "\x83\x5C\x83\x74"},
        {"\x83\x65\x83\x58\x83\x67.pj", "New", "\x83\x65\x83\x58\x83\x67", true, "New.pj"},
        // clang-format on
    };
    for (const Row& r : rows)
        EXPECT_EQ(Replace(r.text, r.nw, r.old, r.cp932, r.limit, r.text.size() % 5), r.want)
            << r.text.substr(0, 40) << " / " << r.old;
    // Past any fixed room, within the limit.
    std::string out = Replace(many, "AMuchLongerProjectName", "Old", false);
    EXPECT_EQ(out.size(), many.size() + 300000u * 19u);
}

// Against the replacement as first described, on every short text of small alphabets.
TEST(StrKakikae, AgreesWithTheDescribedAlgorithm) {
    std::mt19937 rng(20261206u);
    for (const std::string alphabet : {"ab", "abc",
                                       "\x83"
                                       "A\x5C"
                                       "b"}) {
        bool cp932 = alphabet[0] == '\x83';
        auto random = [&](size_t max) {
            std::string s(rng() % (max + 1), ' ');
            for (char& c : s)
                c = alphabet[rng() % alphabet.size()];
            return s;
        };
        int compared = 0;
        for (int i = 0; i < 150000; ++i) {
            std::string old = random(3), nw = random(4), text = random(14), want = text;
            if (old.empty()) old = alphabet.substr(0, 1);
            if (nw.find(old) != std::string::npos) // that repetition never ends
                want = OnePassKakikae(text, nw, old, cp932);
            else if (!DocumentedKakikae(&want, nw, old, cp932, 200, 1000))
                continue;
            ++compared;
            ASSERT_EQ(Replace(text, nw, old, cp932, 0, rng() % 6), want)
                << "text '" << text << "' new '" << nw << "' old '" << old << "'";
        }
        EXPECT_GT(compared, 75000);
    }
}

// The vector search against a plain one at every width the processor has: random bytes
// (0x80-0xFF too), every alignment, names of 1 to 40 bytes, hits at the very start and end of
// the text and across 16- and 32-byte blocks.
TEST(KwFind, AgreesWithAPlainSearchAtEveryWidth) {
    std::mt19937 rng(13);
    const std::string few = "ab\x82\xE9";
    for (int level = 0; level <= KwFindLevel(); ++level) {
        KwFindSetLevel(level);
        for (int round = 0; round < 20000; ++round) {
            auto byte = [&] {
                return round % 4 ? few[rng() % few.size()] : static_cast<char>(rng());
            };
            size_t m = 1 + rng() % (round % 2 ? 4 : 40), n = rng() % 200, off = rng() % 32;
            std::string needle(m, ' '), buf(off + n, ' ');
            for (char& c : needle)
                c = byte();
            for (char& c : buf)
                c = byte();
            if (m <= n && round % 3 == 0) { // a hit at the start, the end or across a block
                size_t at = rng() % 3 == 0 ? 0 : rng() % 2 ? n - m : (rng() % 4 + 1) * 16 - 1;
                if (at + m <= n) buf.replace(off + at, m, needle);
            }
            size_t want = std::string_view(buf).substr(off).find(needle);
            ASSERT_EQ(KwFind(buf.data() + off, n, needle.data(), m),
                      want == std::string::npos ? n : want)
                << "level " << level << " round " << round;
        }
    }
    KwFindSetLevel(-1);
}

TEST(Mbcs, BoundariesAndEncodings) {
    EXPECT_EQ(StrFind(2, "abab", "ab"), 3);
    EXPECT_EQ(StrFind(0, "abc", "a"), 0);
    EXPECT_EQ(StrFind(3, "abc", ""), 3);
    EXPECT_EQ(LastSepPos("C:\\\x83\x5C\x83\x74", '\\', true), 2u); // the 5C of ソ is no separator
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF", 2));                      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80", 3));                  // a surrogate
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80", 4));
}

} // namespace
