#include "text/basic.h"
#include "text/content.h"
#include "text/detect.h"
#include "text/find.h"
#include "text/kakikae.h"
#include "text/mbcs.h"
#include "text/unicode.h"
#include "tests/reference.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>

namespace {

// Through a string, and in place in a buffer whose text stands `at` bytes in (its output
// behind the input, or moved out when it would overtake it): both must agree, counts too.
std::string Replace(const std::string& text, const std::string& nw, const std::string& old,
                    KwUnit unit, size_t limit = 0, size_t at = 0) {
    std::string s = text;
    KwBuf buf;
    KwBufAssign(&buf, text, at);
    uint64_t count, count2;
    KwError err = StrKakikae(&s, nw, old, {unit, true, limit}, &count);
    bool ok2 = !StrKakikae(&buf, nw, old, {unit, true, limit}, &count2) && !buf.text()[buf.len] &&
               count2 == count;
    std::string in = ok2 ? std::string(buf.text(), buf.len) : "<error>";
    return err ? "<" + err.why + ">" : in == s ? s : "<in place: " + in + ">";
}

// Bytes with the zeros in them.
#define B(s) std::string(s, sizeof(s) - 1)

TEST(StrKakikae, Table) {
    std::string many;
    for (int i = 0; i < 30000; ++i)
        many += "Old ";
    constexpr KwUnit no = kUnitByte, yes = kUnitCp932, word = kUnitWord;
    struct Row {
        std::string text, nw, old;
        KwUnit unit;
        std::string want;
        size_t limit = 0;
    } rows[] = {
        // clang-format off
        {"", "New", "Old", no, ""},
        {"nothing here", "New", "Old", no, "nothing here"},
        {"Old", "New", "Old", no, "New"},
        {"xOld.txt", "New", "Old", no, "xNew.txt"},
        {"OldOld", "N", "Old", no, "NN"},
        {"a Old b Old c", "", "Old", no, "a  b  c"},
        {"ABC abc", "x", "abc", no, "ABC x"},
        // An occurrence formed where the new name meets the text is replaced too.
        {"aabb", "a", "ab", no, "aa"},
        // A new name holding the old: each occurrence of the text once.
        {"MyApp MyAppMyApp", "MyApp2", "MyApp", no, "MyApp2 MyApp2MyApp2"},
        {"Same", "Same", "Same", no, "Same"},
        {std::string("Old\0Old\0", 8), "N", "Old", no, std::string("N\0N\0", 4)},
        // Growth without end, or past the limit, is an error.
        {std::string(40, 'a') + "b", "bba", "ab", no, "<" + std::string(KwSay(kTxtWhyTooLarge)) + ">", 1 << 16},
        {std::string(40, 'a') + "b", "bba", "ab", yes, "<" + std::string(KwSay(kTxtWhyTooLarge)) + ">", 1 << 16},
        {many, "AMuchLongerProjectName", "Old", no, "<" + std::string(KwSay(kTxtWhyTooLarge)) + ">", many.size() * 5},
        // CP932: a match begins on a character boundary (アbc, アAbc, ソフ, テスト).
        {"\x83\x41" "bc", "xyz", "Abc", yes, "\x83\x41" "bc"},
        {"\x83\x41" "bc", "xyz", "Abc", no, "\x83" "xyz"},
        {"\x83\x41" "Abc", "xyz", "Abc", yes, "\x83\x41" "xyz"},
        {"A\x83\x41" "bc", "Q", "\x41" "bc", yes, "A\x83\x41" "bc"},
        {"\x83\x5C\x83\x74", "N", "\x5C\x83", yes, "\x83\x5C\x83\x74"},
        {"\x83\x65\x83\x58\x83\x67.pj", "New", "\x83\x65\x83\x58\x83\x67", yes, "New.pj"},
        // Every byte form of a CP932 character (∵ 81E6 879A FA5B, 纊 ED40 FA5C), where one begins.
        {"\x87\x9A" "a" "\xFA\x5B", "N", "\x81\xE6", yes, "NaN"},
        {"x\xFA\x5C" "\xED\x40", "\x81\x40", "\xED\x40", yes, "x\x81\x40\x81\x40"},
        {"\x81\x87\x9A", "N", "\x81\xE6", yes, "\x81\x87\x9A"},
        // UTF-16: whole 2-byte units only.
        {B("\xFF\xFE" "A\0b\0c\0"), B("x\0"), B("A\0b\0c\0"), word, B("\xFF\xFE" "x\0")},
        {B("aA\0b\0c\0"), B("x\0"), B("A\0b\0c\0"), word, B("aA\0b\0c\0")},
        {B("a\0a\0b\0b\0"), B("a\0"), B("a\0b\0"), word, B("a\0a\0")},
        // clang-format on
    };
    for (const Row& r : rows)
        EXPECT_EQ(Replace(r.text, r.nw, r.old, r.unit, r.limit, r.text.size() % 5), r.want)
            << r.text.substr(0, 40) << " / " << r.old;
    // Past any fixed room, within the limit.
    std::string out = Replace(many, "AMuchLongerProjectName", "Old", no);
    EXPECT_EQ(out.size(), many.size() + 30000u * 19u);
}

// Against the replacement as first described, on every short text of small alphabets: bytes,
// CP932 bytes (a lone lead byte, 5C), forms of one CP932 character, UTF-16 units; and long
// texts, whose occurrences fill the search's batches and its blocks of 64 and whose
// junctions run across them.
TEST(StrKakikae, AgreesWithTheDescribedAlgorithm) {
    std::mt19937 rng(20261206u);
    const int widest = KwFindLevel();
    struct Case {
        std::vector<std::string> tokens;
        KwUnit unit;
        bool fold;
        size_t length = 14;
        int rounds = 40000;
    } const cases[] = {
        {{"a", "b"}, kUnitByte, false},
        {{"a", "b", "c"}, kUnitByte, false},
        {{"\x83", "A", "\x5C", "b"}, kUnitCp932, false},
        {{"\x81\xE6", "\x87\x9A", "\xFA\x5B", "\x87", "\x9A", "A"}, kUnitCp932, true},
        {{"ab", "ba", "aa"}, kUnitWord, false},
        {{"a", "b", "a", "b", "a", "b", std::string(70, 'x')}, kUnitByte, false, 200, 400},
        {{"\x83", "A", "\x5C", "b", "A", "b", std::string(70, 'x')}, kUnitCp932, false, 200, 400},
    };
    for (const Case& c : cases) {
        auto random = [&](size_t max) {
            std::string s;
            for (size_t k = rng() % (max + 1); k > 0; --k)
                s += c.tokens[rng() % c.tokens.size()];
            return s;
        };
        int compared = 0;
        for (int i = 0; i < c.rounds; ++i) {
            std::string old = random(3), nw = random(4), text = random(c.length), want = text;
            if (old.empty() || old.size() > 20) old = c.tokens[0];
            if (nw.size() > 40) nw = c.tokens[1];
            if (Holds(nw, old, c.fold)) // that repetition never ends
                want = OnePassKakikae(text, nw, old, c.unit, c.fold);
            else if (!DocumentedKakikae(&want, nw, old, c.unit, c.fold, 200 + 4 * text.size(),
                                        1000 + text.size()))
                continue;
            ++compared;
            // Now and then room for the output to stay behind, and each vector width.
            KwFindSetLevel(i % (widest + 1));
            size_t at = i % 3 ? rng() % 6 : 60 + rng() % 40;
            ASSERT_EQ(Replace(text, nw, old, c.unit, 0, at), want)
                << "text '" << text << "' new '" << nw << "' old '" << old << "' at " << at;
        }
        EXPECT_GT(compared, c.rounds / 2);
    }
    KwFindSetLevel(-1);
}

// The vector search against a plain one at every width the processor has: random bytes
// (0x80-0xFF too), every alignment, names of 1 to 40 bytes, hits at the very start and end of
// the text and across 16- and 32-byte blocks; the first, and all in batches.
TEST(KwFind, AgreesWithAPlainSearchAtEveryWidth) {
    std::mt19937 rng(13);
    const std::string few = "ab\x82\xE9";
    const int widest = KwFindLevel();
    for (int level = 0; level <= widest; ++level) {
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
            std::string_view hay = std::string_view(buf).substr(off);
            size_t want = hay.find(needle);
            ASSERT_EQ(KwFind(hay.data(), n, needle.data(), m), want == std::string::npos ? n : want)
                << "level " << level << " round " << round;
            // Every occurrence, overlapping ones too, taken a few at a time.
            std::vector<size_t> all, got;
            for (size_t at = hay.find(needle); at != std::string::npos;
                 at = hay.find(needle, at + 1))
                all.push_back(at);
            size_t batch[3], next = 0, most = 1 + round % 3;
            for (size_t from = 0; from < n; from = next)
                got.insert(
                    got.end(), batch,
                    batch + KwFindMany(hay.data(), from, n, needle.data(), m, batch, most, &next));
            ASSERT_EQ(got, all) << "level " << level << " round " << round;
        }
    }
    KwFindSetLevel(-1);
}

// What the encoding decision reads in a text, at the vector width in use: each scan, each
// line's kind, the decision and the segments of a mixed text.
std::string Reading(const std::string& t) {
    const char* p = t.data();
    KwUtf8Scan u = KwScanUtf8(p, t.size());
    std::string r = {char('0' + u.ascii), char('0' + u.valid), char('0' + KwScanCp932(p, t.size())),
                     char('0' + (u.valid && KwScanJapanese(p, t.size())))};
    std::string invalid[2]; // lines not valid in CP932, in UTF-8, as their kinds say
    KwForEachLine(p, t.size(), [&](size_t b, size_t e, KwLineKind k) {
        std::string line = " " + std::to_string(b) + "-" + std::to_string(e);
        r += line + ":" + std::to_string(k);
        invalid[0] += k == kLineUtf8 || k == kLineNeither ? line : "";
        invalid[1] += k == kLineCp932 || k == kLineNeither ? line : "";
    });
    for (bool utf8 : {false, true}) {
        std::string got;
        KwForEachInvalidLine(p, t.size(), utf8, [&](size_t b, size_t e) {
            got += " " + std::to_string(b) + "-" + std::to_string(e);
            return true;
        });
        EXPECT_EQ(got, invalid[utf8]) << (utf8 ? "UTF-8" : "CP932");
    }
    std::vector<KwSegment> segments, again;
    KwTextKind kind = KwDetectText(p, t.size(), &segments);
    r += " " + std::to_string(kind.enc) + std::to_string(kind.bom) + std::to_string(kind.ascii) +
         std::to_string(kind.mixed);
    // The segments, of the decision and of the text read again, are its lines' kinds: each line
    // in the encoding it is valid in, or the text's, runs of the same made one.
    std::vector<KwSegment> want;
    KwForEachLine(p, t.size(), [&](size_t b, size_t e, KwLineKind k) {
        KwSegment s{b, e,
                    k == kLineUtf8    ? kEncUtf8
                    : k == kLineCp932 ? kEncCp932
                                      : kind.enc,
                    k != kLineNeither};
        if (!want.empty() && want.back().enc == s.enc && want.back().readable == s.readable)
            want.back().end = e;
        else
            want.push_back(s);
    });
    auto text = [](const std::vector<KwSegment>& list) {
        std::string r;
        for (const KwSegment& s : list)
            r += std::to_string(s.begin) + "-" + std::to_string(s.end) + ":" +
                 std::to_string(s.enc) + std::to_string(s.readable) + " ";
        return r;
    };
    KwSegments(p, t.size(), kind.enc, &again);
    EXPECT_EQ(text(again), text(want));
    if (kind.mixed) {
        EXPECT_EQ(text(segments), text(want));
    }
    return r;
}

// The vector decision against the plain one at every width the processor has: random texts of
// characters valid and broken in each encoding, ones outside the Japanese ranges, lines of
// both encodings, at every alignment and across blocks of 64 and their ends.
TEST(KwDetectText, AgreesWithThePlainOneAtEveryWidth) {
    std::mt19937 rng(31);
    std::vector<std::string> tokens[] = {
        // UTF-8: kana, kanji, full-width, Latin, emoji; broken, overlong, surrogate, past 10FFFF.
        {"a", " ", "\n", "\r\n", "\xE3\x81\x82", "\xE6\xBC\xA2", "\xEF\xBC\x88", "\xC3\xA9",
         "\xF0\x9F\x98\x80", "\xE3", "\xE3\x81", "\x80", "\xC0\xAF", "\xE0\x80\x80", "\xED\xA0\x80",
         "\xF0\x80\x80\x80", "\xF4\x90\x80\x80", "\xFF"},
        // Outside the Japanese ranges, or at their edges.
        {"a", "\n", "\xE3\x81\x82", "\xD9\x83", "\xE4\xB7\x80", "\xE4\xB8\x80", "\xE3\x84\x80",
         "\xE3\x87\xB0", "\xEF\xBF\xBF", "\xEF\xBD\x81", "\xE2\x80\xA6", "\xC2\x80"},
        // CP932: kana, the 41 and 5C trails, half-width; lone leads, 80, A0, FD.
        {"a", "\n", "\x82\xA0", "\x83\x41", "\x81\x5C", "\xB1", "\x82", "\xE0", "\x80", "\xA0",
         "\xFD", "\x81\x7F", "\x82\x0A"},
    };
    const std::string lines[] = {"\xE3\x81\x82\xE3\x81\x84"
                                 "a\r\n",
                                 "\x82\xA0\x82\xA2"
                                 "a\r\n",
                                 "abc\n", "\xE3\x81\x82\n", "\x82\xA0\x82\n"};
    const std::string run = " " + std::string(259, 'a'); // ASCII past four blocks, no trail
    for (auto& t : tokens)
        t.push_back(run);
    const int widest = KwFindLevel();
    for (int round = 0; round < 4000; ++round) {
        std::string text(rng() % 16, 'x'); // an offset, cut off below
        size_t off = text.size();
        // Now and then lines enough that their segments are too many to keep while counting.
        size_t count = round % 3000 == 3 ? 12000 : round % 10 ? 60 : 400;
        for (size_t k = rng() % count; k > 0; --k)
            text += round % 4 == 3 ? lines[rng() % std::size(lines)]
                                   : tokens[round % 3][rng() % tokens[round % 3].size()];
        if (round % 50 == 0) text.insert(off, "\xEF\xBB\xBF"); // a UTF-8 mark
        text.erase(0, off);
        // A character left open at the end of a block, ASCII past four blocks after it.
        const char* open[] = {"\xE3", "\xE3\x81", "\xF0\x9F\x98", "\x82", "\x82\xA0\x82"};
        if (round % 40 == 1) {
            std::string lead = open[round / 40 % std::size(open)];
            text.append((128 - (text.size() + lead.size()) % 64) % 64, 'a') += lead + run;
        }
        KwFindSetLevel(0);
        std::string plain = Reading(text);
        for (int level = 1; level <= widest; ++level) {
            KwFindSetLevel(level);
            ASSERT_EQ(Reading(text), plain) << "level " << level << " round " << round;
        }
    }
    KwFindSetLevel(-1);
}

// A text's content through the engine: its encoding decided, the names in it, the result.
// Names are given in the build's own encoding (CP932 on Windows), texts as bytes.
TEST(Content, Table) {
    const std::string tesutoU8 = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88",
                      tesuto = "\x83\x65\x83\x58\x83\x67", gaU8 = "\xE3\x81\x8C";
    auto codeWith = [](const std::string& name) {
        return "Function " + name + "_Calc() As Long\r\n\t" + name + "_Calc = 42 ' " + name +
               "\r\nREM " + name + "\r\n/* " + name + "\r\n*/ Print \"a \"\"" + name +
               "\"\" b\"\r\n";
    };
    const std::string code = codeWith("Sample");
    const int widest = KwFindLevel();
    struct Row {
        std::string in, old, nw;
        PlatEnc project;
        std::string out, label;
        uint64_t count;
        bool reported = false;
        int places = -1; // of program code where the new name can't stand (in a source)
    } const rows[] = {
        // clang-format off
        {B("\xEF\xBB\xBF" "Proj"), "Proj", "テスト", kEncCp932, "\xEF\xBB\xBF" + tesutoU8, "UTF-8 BOM", 1},
        {B("\xFF\xFE" "P\0r\0o\0j\0" "\x3D\xD8\x00\xDE"), "Proj", "テスト", kEncCp932, B("\xFF\xFE\xC6\x30\xB9\x30\xC8\x30\x3D\xD8\x00\xDE"), "UTF-16LE", 1},
        {B("\xFE\xFF" "\0P\0r\0o\0j" "r\0o\0j\0"), "Proj", "New", kEncCp932, B("\xFE\xFF" "\0N\0e\0w" "r\0o\0j\0"), "UTF-16BE", 1},
        // ASCII texts: the project's encoding.
        {"Main=Proj.abp", "Proj", "テスト", kEncCp932, "Main=" + tesuto + ".abp", "CP932", 1},
        {"Main=Proj.abp", "Proj", "テスト", kEncUtf8, "Main=" + tesutoU8 + ".abp", "UTF-8", 1},
        {"' " + tesuto + " Proj", "テスト", "New", kEncUtf8, "' New Proj", "CP932", 1},
        // The name's bytes inside characters; CP932 that is valid UTF-8 too (ﾒｰﾙアbc).
        {"\x83\x41" "bc", "Abc", "xyz", kEncCp932, "\x83\x41" "bc", "CP932", 0},
        {"\xD2\xB0\xD9\x83\x41" "bc", "Abc", "xyz", kEncCp932, "\xD2\xB0\xD9\x83\x41" "bc", "CP932", 0},
        {gaU8 + "Proj", "Proj", "New", kEncCp932, gaU8 + "New", "UTF-8", 1},
        {"(\xEF\xBE\x9F\xD0\x94\xEF\xBE\x9F) \xF0\x9F\x98\x80 Proj", "Proj", "テスト", kEncCp932, "(\xEF\xBE\x9F\xD0\x94\xEF\xBE\x9F) \xF0\x9F\x98\x80 " + tesutoU8, "UTF-8", 1},
        // Every byte form of 纊 (ED40, FA5C).
        {"\xED\x40\xFA\x5C", "纊", "New", kEncCp932, "NewNew", "CP932", 2},
        // Lines of both encodings, each read in its own; a line in neither that holds the name.
        {gaU8 + "\r\n" + gaU8 + "\r\n" + gaU8 + "Proj\r\n\x82\xAA" "Proj\r\n", "Proj", "テスト", kEncCp932,
         gaU8 + "\r\n" + gaU8 + "\r\n" + gaU8 + tesutoU8 + "\r\n\x82\xAA" + tesuto + "\r\n", "CP932+UTF-8", 2},
        {"\xFF Proj\n" + gaU8 + "\n", "Proj", "New", kEncCp932, "\xFF Proj\n" + gaU8 + "\n", "CP932+UTF-8", 0, true},
        // A UTF-8 mark does not hide a line pasted from a CP932 text; lines valid in both are UTF-8 after it.
        {"\xEF\xBB\xBF" "\x82\xAA" "Proj\n\xD2\xB0" "Proj\n", "Proj", "テスト", kEncCp932,
         "\xEF\xBB\xBF" "\x82\xAA" + tesuto + "\n\xD2\xB0" + tesutoU8 + "\n", "CP932+UTF-8", 2},
        // Program code: not comments (', REM, /* */) nor strings ("", "" inside); a name that is
        // no identifier anywhere, one starting with a digit where an identifier begins.
        {code, "Sample", "テスト", kEncCp932, codeWith(tesuto), "CP932", 6, false, 2},
        {code, "Sample", "Demo2", kEncCp932, codeWith("Demo2"), "CP932", 6, false, 0},
        {"Dim Sample, MySample\r\n", "Sample", "2nd", kEncCp932, "Dim 2nd, My2nd\r\n", "CP932", 2, false, 1},
        {"x = Sample + 1 ' Sample\r\n", "Sample", "My-App", kEncCp932, "x = My-App + 1 ' My-App\r\n", "CP932", 2, false, 1},
        // clang-format on
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label + " " + r.in);
        KwNameForms names;
        KwMakeNameForms(r.old, kEncAnsi, r.nw, kEncAnsi, &names);
        KwBuf buf;
        KwBufAssign(&buf, r.in, 0);
        KwTextInfo info;
        EXPECT_FALSE(KwRewriteContent(&buf, names, r.project, true, &info));
        EXPECT_EQ(std::string(buf.text(), buf.len), r.out);
        EXPECT_EQ(KwEncodingLabel(info), r.label);
        EXPECT_EQ(info.count, r.count);
        EXPECT_EQ(info.unreadable, r.reported);
        std::vector<KwCodePlace> places;
        KwCodePlaces(r.in.data(), r.in.size(), names.old[kEncCp932], kUnitCp932, KwCodeFitOf(r.nw),
                     &places);
        EXPECT_TRUE(r.places < 0 || places.size() == static_cast<size_t>(r.places));
        // Read alike at every vector width.
        KwFindSetLevel(0);
        std::string plain = Reading(r.in);
        for (int level = 1; level <= widest; ++level) {
            KwFindSetLevel(level);
            EXPECT_EQ(Reading(r.in), plain) << "level " << level;
        }
        KwFindSetLevel(-1);
    }
}

TEST(Mbcs, BoundariesAndEncodings) {
    // The other byte forms of a character are those the platform decodes to it.
    std::map<std::string, uint16_t> lowest;
    for (int code = 0x8140; code <= 0xFCFC; ++code) {
        std::string bytes{static_cast<char>(code >> 8), static_cast<char>(code)}, chars, again;
        if (!IsCp932Lead(static_cast<unsigned char>(code >> 8)) ||
            PlatConvert(bytes, kEncCp932, kEncUtf16Le, &chars) != 0)
            continue;
        uint16_t canon = Cp932Canonical(static_cast<uint16_t>(code));
        EXPECT_EQ(lowest.emplace(chars, canon).first->second, canon) << std::hex << code;
        bytes = {static_cast<char>(canon >> 8), static_cast<char>(canon)};
        EXPECT_TRUE(PlatConvert(bytes, kEncCp932, kEncUtf16Le, &again) == 0 && again == chars)
            << std::hex << code;
        // Every CP932 character is in the one form names are matched in.
        std::u32string u32;
        EXPECT_TRUE(PlatConvert(bytes, kEncCp932, kEncUtf8, &again) == 0 &&
                    KwUtf8Decode(again, &u32) && KwNfc(u32) == u32)
            << std::hex << code;
    }
    // One form (NFC) and NTFS's upper case: kana from a Mac archive, marks in any order,
    // Hangul, and what CP932 holds as characters of their own (﨑, 朗, Å).
    const std::u32string nfc[][2] = {
        {U"\u30D5\u309A\u30ED", U"\u30D7\u30ED"}, {U"e\u0301", U"\u00E9"},
        {U"a\u0301\u0323", U"\u1EA1\u0301"},      {U"\u1100\u1161\u11A8", U"\uAC01"},
        {U"\uFA11\uF929", U"\uFA11\uF929"},       {U"\u212B", U"\u212B"},
    };
    for (const auto& r : nfc)
        EXPECT_EQ(KwNfc(r[0]), r[1]);
    EXPECT_EQ(std::u32string({KwUpper(U'a'), KwUpper(U'\u00E9'), KwUpper(U'\u00DF'),
                              KwUpper(U'\uFF41'), KwUpper(U'\u03C9'), KwUpper(U'\U00010428')}),
              U"A\u00C9\u00DF\uFF21\u03A9\U00010428");
    EXPECT_GT(lowest.size(), 7000u);
    EXPECT_EQ(LastSepPos("C:\\\x83\x5C\x83\x74", '\\', true), 2u); // the 5C of ソ is no separator
}

} // namespace
