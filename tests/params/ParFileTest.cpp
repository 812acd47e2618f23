// The .par reader and writer: format, lenient reading, encodings.
#include "params/ParFile.h"
#include "link/DriveMap.h"
#include "platform/AtomicFile.h"
#include "platform/Cp949.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace velt;

namespace {

ParamValues Sample() {
    ParamValues v{};
    for (int n = 0; n < drive::ParamCount; ++n)
        v[static_cast<size_t>(n)] = static_cast<int16_t>(n * 37 - 2000);
    v[5] = -100;
    v[0] = INT16_MIN;
    v[1] = INT16_MAX;
    SplitPair(83, -123456, v.data());                        // high word first
    SplitPair(drive::PositionLowRegister, 987654, v.data()); // low word first
    return v;
}

ParamValues Filled(int16_t x) {
    ParamValues v;
    v.fill(x);
    return v;
}

} // namespace

TEST(ParFileFormat, LinesAreNumberNameValueWithCrLf) {
    const std::string text = FormatParTextUtf8(Sample(), false);
    EXPECT_NE(text.find("005 : HOMING OFFSET : -100\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("000 : HOMING HIGH SPEED : -32768\r\n001 : ", 0), 0u);
    EXPECT_NE(text.find("\r\n" + std::to_string(drive::ParamCount - 1) + " : RESERVED : "),
              std::string::npos);
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lines;
            EXPECT_EQ(text[i - 1], '\r');
        }
    EXPECT_EQ(lines, static_cast<size_t>(drive::ParamCount));
    EXPECT_EQ(text.back(), '\n');
}

TEST(ParFileFormat, RoundTripKeepsNegativesAndBothPairWordsInEitherLanguage) {
    for (bool korean : {false, true}) {
        std::string bytes;
        ASSERT_TRUE(FormatParFile(Sample(), &bytes, korean));
        ParamValues back = Filled(77);
        const ParReadResult r = ParseParText(bytes, &back, false);
        EXPECT_EQ(back, Sample());
        EXPECT_EQ(r.applied, drive::ParamCount);
        EXPECT_TRUE(r.warnings.empty());
        EXPECT_EQ(CombinePair(83, back.data()), -123456);
        EXPECT_EQ(CombinePair(drive::PositionLowRegister, back.data()), 987654);
    }
}

TEST(ParFileFormat, KoreanFileIsCp949OnDiskAndReadsInEnglish) {
    std::string bytes;
    ASSERT_TRUE(FormatParFile(Sample(), &bytes, true));
    // "원점고속속도" in code page 949, not the UTF-8 bytes.
    const std::string cp949Name = "\xBF\xF8\xC1\xA1\xB0\xED\xBC\xD3\xBC\xD3\xB5\xB5";
    EXPECT_NE(bytes.find("000 : " + cp949Name + " : -32768\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("원점"), std::string::npos);
    EXPECT_EQ(Cp949ToUtf8(bytes), FormatParTextUtf8(Sample(), true));

    ParamValues back{};
    ParseParText(bytes, &back, false);
    EXPECT_EQ(back, Sample());
    // The same file with UTF-8 names and LF line ends reads alike.
    std::string utf8 = FormatParTextUtf8(Sample(), true);
    std::string lf;
    for (char c : utf8)
        if (c != '\r') lf += c;
    ParamValues fromUtf8{};
    ParseParText("\xEF\xBB\xBF" + lf, &fromUtf8, false);
    EXPECT_EQ(fromUtf8, Sample());
}

TEST(ParFileReading, SkippedLinesOutOfRangeNumbersAndLowSixteenBits) {
    ParamValues v = Filled(9);
    const ParReadResult r = ParseParText("\r\n"
                                         "# a comment : 1 : 2\r\n"
                                         " 003 : indented : 5\r\n"
                                         "200 : beyond : 1\r\n"
                                         "-1 : negative : 1\r\n"
                                         "010 : CURRENT LOOP : 70000\r\n"
                                         "011 : x : 65535\r\n"
                                         "012 : x : 1\r\n"
                                         "012 : x : 2\r\n"
                                         "013:no blanks:-7 trailing words\n"
                                         "014 : x : 99999999999\r\n",
                                         &v, false);
    EXPECT_EQ(v[3], 9);     // indented line skipped
    EXPECT_EQ(v[10], 4464); // 70000 & 0xFFFF
    EXPECT_EQ(v[11], -1);
    EXPECT_EQ(v[12], 2); // the last line wins
    EXPECT_EQ(v[13], -7);
    EXPECT_EQ(v[14], -1); // saturated at INT32_MAX, low 16 bits
    for (int n : {0, 1, 2, 4, 100, drive::ParamCount - 1})
        EXPECT_EQ(v[static_cast<size_t>(n)], 9) << n;
    EXPECT_EQ(r.applied, 6);
    EXPECT_FALSE(r.present[3]);
    EXPECT_TRUE(r.present[12]);
    ASSERT_GE(r.warnings.size(), 3u);
    EXPECT_EQ(r.warnings[0].line, 4); // number 200
    EXPECT_NE(r.warnings[0].text.find("200"), std::string::npos);
    EXPECT_EQ(r.warnings[1].line, 5);
}

TEST(ParFileReading, LinesWithoutTwoColonsAreReadLeniently) {
    ParamValues v = Filled(9);
    const ParReadResult r = ParseParText("name only : \n"
                                         "12345\n"
                                         "7 : 321\n"
                                         "20 : x :\n",
                                         &v, false);
    EXPECT_EQ(v[0], 12345); // no colon: parameter 0, the whole line as value
    EXPECT_EQ(v[7], 321);   // one colon: the value after it
    EXPECT_EQ(v[20], 0);    // no digits in the value: 0
    EXPECT_EQ(r.applied, 4);
    ASSERT_EQ(r.warnings.size(), 6u); // one colon, no number, no value; no colon; one colon; no value
    EXPECT_EQ(r.warnings[3].line, 2);
    EXPECT_EQ(r.warnings[5].line, 4);
}

TEST(ParFileReading, CrLfLfAndALoneCrEachEndALine) {
    ParamValues v = Filled(9);
    const ParReadResult r =
        ParseParText("000 : A : 1\r\n001 : B : 2\n002 : C : 3\r003 : D : 4\r\r\n005 : E : 6", &v, false);
    EXPECT_EQ((std::vector<int16_t>(v.begin(), v.begin() + 6)), (std::vector<int16_t>{1, 2, 3, 4, 9, 6}));
    EXPECT_EQ(r.applied, 5);
    EXPECT_TRUE(r.warnings.empty());
}

TEST(ParFileReading, RandomBytesNeverCrashAndStayInBounds) {
    std::mt19937 rng(20240131);
    const std::string alphabet = "0123456789:-+ #\r\n\t\xB0\xED\xEF\xBB\xBFxyz";
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 400, '\0');
        for (char& c : text)
            c = (rng() % 3 == 0) ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
        ParamValues v{};
        const ParReadResult r = ParseParText(text, &v, false);
        EXPECT_LE(r.applied, static_cast<int>(text.size()) + 1);
        for (const ParWarning& w : r.warnings)
            EXPECT_GE(w.line, 1);
    }
}

TEST(ParFileReading, GarbageGivesABoundedListOfWarnings) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "500 : junk\n";
    text += "009 : x : 1\n";
    ParamValues v{};
    const ParReadResult r = ParseParText(text, &v, false);
    ASSERT_EQ(r.warnings.size(), kMaxParWarnings + 1);
    EXPECT_NE(r.warnings.back().text.find("not listed"), std::string::npos);
    EXPECT_EQ(v[9], 1); // reading goes on to the end
}

TEST(Cp949, InvalidInputIsReportedOrReplaced) {
    std::string out = "kept";
    EXPECT_FALSE(Utf8ToCp949("\xFF\xFE", &out));
    EXPECT_EQ(out, "kept");
    EXPECT_FALSE(Utf8ToCp949("\xF0\x9F\x98\x80", &out)); // an emoji has no CP949 form
    EXPECT_EQ(Cp949ToUtf8("A\xFF"
                          "B"),
              "A\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(Cp949ToUtf8("ab\xB0"), "ab\xEF\xBF\xBD"); // truncated double byte at the end
}

TEST(ParFileReading, AFileCutShortOrHoldingSomethingElseIsRefusedWholeAndChangesNothing) {
    std::string good;
    ASSERT_TRUE(FormatParFile(Sample(), &good, false));
    const std::filesystem::path path = velt::test::UniqueTempPath("cut.par");
    auto read = [&](const std::string& bytes, ParReadResult* r) {
        EXPECT_TRUE(WriteFileAtomically(path, bytes));
        ParamValues v = Filled(7);
        const bool ok = ReadParFile(path, &v, false, r);
        if (!ok) {
            EXPECT_EQ(v, Filled(7)) << "a refused file changes nothing";
        }
        return ok ? v : ParamValues{};
    };
    ParReadResult r;
    EXPECT_EQ(read(good, &r), Sample());
    EXPECT_TRUE(r.error.empty());

    // Cut in the middle of line 58 ("057 : ... : 109" lost its last digit).
    const size_t lineEnd = good.find("\r\n", good.find("057 : "));
    read(good.substr(0, lineEnd - 1), &r);
    EXPECT_EQ(r.error, "line 58 has no line end: the file is cut short");
    // Cut in the name: one colon left.
    read(good.substr(0, good.find("057 : ") + 9), &r);
    EXPECT_EQ(r.error, "line 58: only one colon: the value is read after it");
    // Something else picked by mistake: a picture, a text without the layout.
    read(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + "\r\n", &r);
    EXPECT_EQ(r.error, "line 1: no colon: the whole line is read as the value of parameter 0");
    read("005 : HOMING OFFSET :\r\n", &r);
    EXPECT_EQ(r.error, "line 1: no value: read as 0");
    read("x : HOMING OFFSET : 4\r\n", &r);
    EXPECT_EQ(r.error, "line 1: no parameter number: read as 0");

    // What the lenient reading accepts stays accepted: a file of fewer lines
    // (cut at a line end reads as one), numbers outside the catalogue, values beyond
    // 16 bits, and a last comment without its line end.
    ParamValues v = read("010 : x : 70000\r\n200 : y : 5\r\n# end", &r);
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(v[10], 4464);
    EXPECT_EQ(v[11], 7);
    std::filesystem::remove(path);
}

TEST(ParFileReading, TheLastParameterIs143AndTheNumberAfterItIsIgnored) {
    ParamValues v = Filled(9);
    const ParReadResult r = ParseParText("143 : LAST : 11\r\n144 : BEYOND : 12\r\n", &v, false);
    EXPECT_EQ(v[143], 11);
    EXPECT_EQ(r.applied, 1) << "the line for 144 must not count as applied";
    EXPECT_TRUE(r.present[143]);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0].line, 2);
    EXPECT_NE(r.warnings[0].text.find("144"), std::string::npos);
    EXPECT_EQ(v, [] {
        ParamValues expected = Filled(9);
        expected[143] = 11;
        return expected;
    }());
}

TEST(ParFileReading, AByteOrderMarkIsSkippedBeforeAnyFirstLine) {
    // The first line names parameter 5: a mark read as part of the line would
    // turn it into a line without a number, that is parameter 0.
    ParamValues v = Filled(9);
    const ParReadResult r = ParseParText("\xEF\xBB\xBF"
                                         "005 : HOMING OFFSET : -100\r\n"
                                         "006 : x : 3\r\n",
                                         &v, false);
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(v[5], -100);
    EXPECT_EQ(v[6], 3);
    EXPECT_EQ(v[0], 9);
    EXPECT_EQ(r.applied, 2);
}

TEST(ParFileReading, AFileWithoutAParameterLineIsRefusedWithItsReason) {
    const std::filesystem::path path = velt::test::UniqueTempPath("empty.par");
    const std::pair<std::string, std::string> cases[] = {
        {"", "the file is empty"},
        {" \r\n\t\r\n\r\n", "the file is empty"},
        {"\xEF\xBB\xBF", "the file is empty"},
        {"\xEF\xBB\xBF\r\n  \n", "the file is empty"},
        {"# only a comment\r\n", "the file holds no parameter lines"},
        {"200 : beyond : 1\r\n", "the file holds no parameter lines"},
    };
    for (const auto& [bytes, reason] : cases) {
        ASSERT_TRUE(WriteFileAtomically(path, bytes));
        ParamValues v = Filled(7);
        ParReadResult r;
        EXPECT_FALSE(ReadParFile(path, &v, false, &r)) << bytes;
        EXPECT_EQ(r.error, reason) << bytes;
        EXPECT_EQ(v, Filled(7));
    }
    std::filesystem::remove(path);
}
