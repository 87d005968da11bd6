#include "engine/find.h"
#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "tests/reference.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::string Replace(std::string text, const std::string& nw, const std::string& old,
                    bool cp932 = false, size_t limit = 0) {
    KakikaeError err;
    if (StrKakikae(&text, nw, old, {cp932, limit}, &err) < 0)
        return "<error " + std::to_string(err) + ">";
    return text;
}

// The same through a buffer whose text stands `at` bytes in: the replacement works in place
// while its output stays behind the input, and moves out when it would overtake it.
std::string ReplaceInBuffer(const std::string& text, const std::string& nw, const std::string& old,
                            bool cp932, size_t at) {
    KwBuf buf;
    KwBufAssign(&buf, text, at);
    KakikaeError err;
    int64_t n = StrKakikae(&buf, nw, old, {cp932, 0}, &err);
    std::string out =
        n < 0 ? "<error " + std::to_string(err) + ">" : std::string(buf.text(), buf.len);
    if (n >= 0 && buf.text()[buf.len] != '\0') out += "<no terminator>";
    KwBufFree(&buf);
    return out;
}

TEST(StrFind, Table) {
    struct Row {
        int start;
        const char* text;
        const char* pattern;
        int want;
    } rows[] = {
        {1, "abc", "", 1},    {3, "abc", "", 3},       {0, "abc", "a", 0},      {1, "abc", "a", 1},
        {1, "abc", "c", 3},   {2, "abab", "ab", 3},    {1, "ab", "abc", 0},     {1, "", "a", 0},
        {1, "ABC", "abc", 0}, {4, "abcabc", "abc", 4}, {5, "abcabc", "abc", 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(StrFind(r.start, r.text, r.pattern), r.want) << r.text << " / " << r.pattern;
}

TEST(StrKakikae, DocumentedResults) {
    struct Row {
        const char* text;
        const char* nw;
        const char* old;
        const char* want;
    } rows[] = {
        {"", "New", "Old", ""},
        {"nothing here", "New", "Old", "nothing here"},
        {"Old", "New", "Old", "New"},
        {"Oldx", "New", "Old", "Newx"},
        {"xOld", "New", "Old", "xNew"},
        {"xOld.txt", "New", "Old", "xNew.txt"},
        {"OldOld", "N", "Old", "NN"},
        {"a Old b Old c", "", "Old", "a  b  c"},
        {"ABC abc", "x", "abc", "ABC x"},
        {"aabb", "a", "ab", "aa"}, // an occurrence formed by the replacement is replaced too
        {"aaab", "b", "ab", "b"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Replace(r.text, r.nw, r.old), r.want) << r.text;
}

TEST(StrKakikae, NewNameHoldingTheOldIsReplacedOncePerOccurrence) {
    struct Row {
        const char* text;
        const char* nw;
        const char* old;
        const char* want;
    } rows[] = {
        {"MyApp.pj", "MyApp2", "MyApp", "MyApp2.pj"},
        {"MyApp MyAppMyApp", "MyApp2", "MyApp", "MyApp2 MyApp2MyApp2"},
        {"Same", "Same", "Same", "Same"},
        {"abab", "xab", "ab", "xabxab"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Replace(r.text, r.nw, r.old), r.want) << r.text;
}

TEST(StrKakikae, EndlessOrRunawayWorkIsAnError) {
    // "ab" -> "bba" on a...ab ends in theory, but doubles with every a.
    std::string runaway = std::string(40, 'a') + "b";
    EXPECT_EQ(Replace(runaway, "bba", "ab", false, 1 << 20), "<error 2>");
    EXPECT_EQ(Replace(runaway, "bba", "ab", true, 1 << 20), "<error 2>");
    // Growth within the limit is fine.
    EXPECT_EQ(Replace("aab", "bba", "ab"), "bbbbaa");
}

TEST(StrKakikae, ContentGrowsPastAnyFixedRoom) {
    std::string text;
    for (int i = 0; i < 300000; ++i)
        text += "Old ";
    std::string out = Replace(text, "AMuchLongerProjectName", "Old");
    EXPECT_EQ(out.size(), text.size() + 300000u * 19u);
    EXPECT_EQ(out.substr(0, 23), "AMuchLongerProjectName ");
}

TEST(StrKakikae, ZeroBytesAreCarried) {
    std::string text("Old\0Old\0", 8);
    EXPECT_EQ(Replace(text, "N", "Old"), std::string("N\0N\0", 4));
}

TEST(StrKakikae, Cp932MatchesBeginOnCharacterBoundaries) {
    struct Row {
        std::string text, nw, old, want;
    } rows[] = {
        {"\x83\x41"
         "bc",
         "xyz", "Abc",
         "\x83\x41"
         "bc"}, // アbc stays
        {"\x83\x41"
         "Abc",
         "xyz", "Abc",
         "\x83\x41"
         "xyz"}, // アAbc
        {"Abc\x83\x41"
         "bc",
         "xyz", "Abc",
         "xyz\x83\x41"
         "bc"},
        {"A\x83\x41"
         "bc",
         "Q",
         "\x41"
         "bc",
         "A\x83\x41"
         "bc"}, // A + ア + bc: no match at 2
        {"\x83\x5C\x83\x74", "N", "\x5C\x83", "\x83\x5C\x83\x74"},
        {"\x83\x65\x83\x58\x83\x67.pj", "New", "\x83\x65\x83\x58\x83\x67", "New.pj"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Replace(r.text, r.nw, r.old, true), r.want) << r.text;
    // The same bytes searched byte by byte do match inside the character.
    EXPECT_EQ(Replace("\x83\x41"
                      "bc",
                      "xyz", "Abc"),
              "\x83xyz");
}

std::string RandomString(std::mt19937& rng, const std::string& alphabet, size_t maxLen) {
    std::string s(rng() % (maxLen + 1), ' ');
    for (char& c : s)
        c = alphabet[rng() % alphabet.size()];
    return s;
}

void Differential(const std::string& alphabet, bool cp932, int cases) {
    std::mt19937 rng(20261206u + static_cast<unsigned>(cp932));
    int compared = 0;
    for (int i = 0; i < cases; ++i) {
        std::string old = RandomString(rng, alphabet, 3);
        if (old.empty()) old = alphabet.substr(0, 1);
        std::string nw = RandomString(rng, alphabet, 4);
        std::string text = RandomString(rng, alphabet, 14);
        std::string want;
        if (nw.find(old) != std::string::npos) // that repetition never ends
            want = OnePassKakikae(text, nw, old, cp932);
        else if (want = text; !DocumentedKakikae(&want, nw, old, cp932, 200, 1000))
            continue;
        ++compared;
        ASSERT_EQ(Replace(text, nw, old, cp932), want)
            << "text '" << text << "' new '" << nw << "' old '" << old << "'";
        ASSERT_EQ(ReplaceInBuffer(text, nw, old, cp932, rng() % 6), want)
            << "in place: text '" << text << "' new '" << nw << "' old '" << old << "'";
    }
    EXPECT_GT(compared, cases / 2);
}

TEST(StrKakikae, DifferentialTwoLetters) {
    Differential("ab", false, 150000);
}
TEST(StrKakikae, DifferentialThreeLetters) {
    Differential("abc", false, 150000);
}
TEST(StrKakikae, DifferentialCp932) {
    Differential("\x83"
                 "A\x5C"
                 "b",
                 true, 150000);
}

// The vector search against a plain one at every width the processor has: random bytes
// (0x80-0xFF too), every alignment, names of 1 to 40 bytes, hits at the very start and end of
// the text and across 16- and 32-byte blocks.
TEST(KwFind, AgreesWithAPlainSearchAtEveryWidth) {
    std::mt19937 rng(13);
    const std::string few = "ab\x82\xE9";
    int top = KwFindLevel();
    for (int level = 0; level <= top; ++level) {
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

TEST(Mbcs, LastSeparatorOnCharacterBoundary) {
    struct Row {
        std::string path;
        bool cp932;
        size_t want;
    } rows[] = {
        {"C:\\Proj", true, 2},
        {"C:\\\x83\x5C\x83\x74\x83\x67", true, 2}, // C:\ソフト: 5C of ソ is not a separator
        {"C:\\\x83\x5C\x83\x74\x83\x67", false, 4},
        {"C:\\a\\\x95\x5C", true, 4}, // 表
        {"noseparator", true, std::string::npos},
    };
    for (const Row& r : rows)
        EXPECT_EQ(LastSepPos(r.path, '\\', r.cp932), r.want) << r.path;
}

TEST(Mbcs, Utf8Validity) {
    struct Row {
        std::string s;
        bool valid;
    } rows[] = {
        {"", true},
        {"plain ascii", true},
        {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", true}, // テスト
        {"\x83\x65\x83\x58\x83\x67", false},            // テスト in CP932
        {"\xE3\x83", false},                            // cut short
        {"\xC0\xAF", false},                            // overlong
        {"\xED\xA0\x80", false},                        // surrogate
        {"\xF0\x9F\x98\x80", true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsValidUtf8(r.s.data(), r.s.size()), r.valid) << r.s;
}

} // namespace
