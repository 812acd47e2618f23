// The catalogue facts that other parts rely on, the value-name tables and the
// language switch.
#include "TestEnv.h"
#include "link/DriveMap.h"
#include "monitor/ValueNames.h"
#include "params/ParamCatalogue.h"
#include "platform/SystemLanguage.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

using namespace velt;

namespace {

std::set<int> NumbersWhere(bool (*pred)(const ParamInfo&)) {
    std::set<int> s;
    for (int n = 0; n < drive::ParamCount; ++n)
        if (pred(ParamTableEn[n])) s.insert(n);
    return s;
}

std::set<int> Range(int a, int b, std::set<int> s = {}) {
    for (int n = a; n <= b; ++n)
        s.insert(n);
    return s;
}

} // namespace

TEST(Catalogue, KoreanAndEnglishRecordsAgreeOnEverythingButTexts) {
    EXPECT_EQ(ParamTable(true), ParamTableKo);
    EXPECT_EQ(ParamTable(false), ParamTableEn);
    for (int n = 0; n < drive::ParamCount; ++n) {
        SCOPED_TRACE(n);
        const ParamInfo& en = ParamTableEn[n];
        const ParamInfo& ko = ParamTableKo[n];
        EXPECT_EQ(en.number, n);
        EXPECT_EQ(ko.number, n);
        EXPECT_EQ(en.kind, ko.kind);
        EXPECT_EQ(en.isHalf32, ko.isHalf32);
        EXPECT_EQ(en.isBits, ko.isBits);
        EXPECT_EQ(ParamKind(n), en.kind);
        EXPECT_EQ(ParamIsHalf32(n), en.isHalf32 == 1);
        EXPECT_EQ(ParamIsBits(n), en.isBits == 1);
        // A colon in a name would break the file format; a lone LF the help lines.
        for (const ParamInfo* p : {&en, &ko}) {
            ASSERT_NE(p->name, nullptr);
            ASSERT_NE(p->help, nullptr);
            EXPECT_GT(std::strlen(p->name), 0u);
            EXPECT_EQ(std::strchr(p->name, ':'), nullptr);
            const std::string help = p->help;
            for (size_t i = 0; i < help.size(); ++i) {
                if (help[i] == '\n') {
                    EXPECT_TRUE(i > 0 && help[i - 1] == '\r') << help;
                }
            }
        }
    }
}

TEST(Catalogue, KindsAndFormFlagsAreThoseOfTheDrive) {
    EXPECT_EQ(NumbersWhere([](const ParamInfo& p) { return p.kind == 3; }), Range(10, 12));
    std::set<int> four = Range(101, 104, Range(drive::PositionLowRegister, drive::CommandBlockLast));
    four.insert({106, drive::CommandRegister});
    EXPECT_EQ(NumbersWhere([](const ParamInfo& p) { return p.kind == 4; }), four);
    std::set<int> unused = Range(
        30, 33,
        Range(109, 119,
              Range(drive::CommandBlockLast + 1, drive::ParamCount - 1, Range(68, 69, Range(99, 100)))));
    unused.insert({19, 36, 39, 50, 62, 64, 74, drive::OptArgRegister});
    EXPECT_EQ(NumbersWhere([](const ParamInfo& p) { return p.kind == 0; }), unused);
    EXPECT_EQ(NumbersWhere([](const ParamInfo& p) { return p.kind == 1; }).size(),
              static_cast<size_t>(drive::ParamCount) - unused.size() - four.size() - 3);
    EXPECT_EQ(NumbersWhere([](const ParamInfo& p) { return p.isBits == 1; }), (std::set<int>{39, 40, 41}));
    EXPECT_EQ(NumbersWhere([](const ParamInfo& p) { return p.isHalf32 == 1; }),
              Range(drive::ParamPositionIndexFirst, drive::ParamPositionIndexLast,
                    {drive::PositionLowRegister, drive::PositionHighRegister, drive::SetPositionLowRegister,
                     drive::SetPositionHighRegister}));
}

TEST(Catalogue, ExactTextsIncludingTheOddOnes) {
    EXPECT_STREQ(ParamTableEn[5].name, "HOMING OFFSET");
    EXPECT_STREQ(ParamTableKo[5].name, "원점OFFSet");
    EXPECT_STREQ(ParamTableEn[9].help, " Switching encoder signs  \r\n DEFAULTS : 0 \r\n RANGE : 0 ~ 1");
    EXPECT_STREQ(ParamTableKo[28].help, " 과온도한계시간 \r\n 기본값 : 2000 \r\n 범의 : 50 ~ 10000 ms");
    EXPECT_STREQ(
        ParamTableEn[41].help,
        " SELECT OUT POLE \r\n DEFAULTS : 14(0x0E) \r\n RANGE : 0 ~ 15  (0x00 ~ 0xFF) \r\n SELECT BIT 1 : "
        "NOMAL OPEN 0 : NOMAL CLOSED \r\n BIT<0> OUTPUT 1 POLE \r\n BIT<1> OUTPUT 2 POLE \r\n BIT<2> OUTPUT "
        "3 POLE \r\n BIT<3> OUTPUT 4 POLE");
    EXPECT_EQ(std::string(ParamTableEn[49].help).substr(0, 25), " SELECT IN8 FUNCTION \r\n 0");
    EXPECT_EQ(std::string(ParamTableKo[43].help).rfind(" IN2기능선택 \r\n 0:USER", 0), 0u);
    EXPECT_EQ(std::string(ParamTableEn[54].help).substr(0, 22), " SELECT OUT4 FUNCTION ");
    EXPECT_STREQ(ParamTableEn[82].help, " SPEED INDEX 8");
    EXPECT_STREQ(ParamTableKo[82].help, " 속도인덱스7");
    EXPECT_STREQ(ParamTableEn[97].help, " POSITION INDEX 8");
    EXPECT_STREQ(ParamTableEn[98].help, " POSITION INDEX 8");
    EXPECT_STREQ(ParamTableKo[85].help, " 위치인덱스1");
    EXPECT_STREQ(ParamTableEn[83].name, "POSITION INDEX 1 H");
    EXPECT_STREQ(ParamTableKo[98].name, "위치인덱스7_L");
    EXPECT_STREQ(ParamTableEn[drive::TorqueRegister].name, "TORQUE");
    EXPECT_STREQ(ParamTableKo[drive::TorqueRegister].name, "Torq");
    EXPECT_STREQ(ParamTableEn[72].help,
                 " SWITCH CONTROL MODE\r\n 0: POSITION CONTROL \r\n 1: VELOCITY CONTROL \r\n 2: "
                 "TORQUE CONTROL");
}

TEST(Catalogue, SpecialRecords) {
    EXPECT_STREQ(ParamTableEn[33].name, "SELECT PROTOCOL"); // named, yet not in use
    EXPECT_EQ(ParamTableEn[33].kind, 0);
    EXPECT_STREQ(ParamTableEn[39].name, "SELECT MONITORING");
    EXPECT_EQ(ParamTableEn[39].isBits, 1);
    EXPECT_STREQ(ParamTableEn[99].help, " RESERVED");
    EXPECT_STREQ(ParamTableKo[99].help, " ");
    EXPECT_STREQ(ParamTableEn[100].name, "PERIOD OF MONITORING");
    EXPECT_STREQ(ParamTableEn[100].help,
                 " PERIOD OF MONITORING \r\n DEFAULTS : 150 \r\n RANGE : 30 ~ 1000 ms");
    EXPECT_STREQ(ParamTableKo[100].name, "RESERVED");
    EXPECT_STREQ(ParamTableKo[100].help, " RESERVED");
    EXPECT_STREQ(ParamTableEn[drive::OptArgRegister].name, "Opt_Arg");
    EXPECT_EQ(ParamTableEn[drive::CommandRegister].kind, 4);
    for (int n : {drive::HardwareVersionRegister, drive::SoftwareVersionRegister}) {
        EXPECT_STREQ(ParamTableEn[n].name, "RESERVED");
        EXPECT_STREQ(ParamTableKo[n].help, " RESERVED");
    }
}

TEST(PairWords, OrderAndFirstRegisterFollowTheTwoRanges) {
    for (int n = 0; n < drive::ParamCount; ++n)
        EXPECT_EQ(PairOrderOf(n) != PairOrder::None, ParamTableEn[n].isHalf32 == 1) << n;
    EXPECT_EQ(PairOrderOf(83), PairOrder::HighFirst);
    EXPECT_EQ(PairOrderOf(98), PairOrder::HighFirst);
    EXPECT_EQ(PairOrderOf(drive::PositionLowRegister), PairOrder::LowFirst);
    EXPECT_EQ(PairOrderOf(drive::SetPositionHighRegister), PairOrder::LowFirst);
    EXPECT_EQ(PairOrderOf(drive::SpeedRegister), PairOrder::None);
    EXPECT_EQ(PairFirst(84), 83);
    EXPECT_EQ(PairFirst(97), 97);
    EXPECT_EQ(PairFirst(98), 97);
    EXPECT_EQ(PairFirst(drive::PositionHighRegister), drive::PositionLowRegister);
    EXPECT_EQ(PairFirst(drive::SetPositionLowRegister), drive::SetPositionLowRegister);
    EXPECT_EQ(PairFirst(drive::TorqueRegister), -1);
    EXPECT_EQ(PairFirst(-1), -1);
    EXPECT_EQ(PairFirst(drive::ParamCount), -1);
}

TEST(PairWords, CombineAndSplitRoundTripInBothOrders) {
    int16_t v[drive::ParamCount] = {};
    v[83] = 1;
    v[84] = -1; // 0xFFFF, the low word taken unsigned
    EXPECT_EQ(CombinePair(83, v), 0x0001FFFF);
    v[drive::PositionLowRegister] = -2;
    v[drive::PositionHighRegister] = -1;
    EXPECT_EQ(CombinePair(drive::PositionLowRegister, v), -2);
    for (int first : {83, 97, drive::PositionLowRegister, drive::SetPositionLowRegister})
        for (int32_t x : {0, 1, -1, -100000, 123456789, INT32_MIN, INT32_MAX}) {
            int16_t a[drive::ParamCount] = {};
            uint16_t b[drive::ParamCount] = {};
            SplitPair(first, x, a);
            SplitPair(first, x, b);
            EXPECT_EQ(CombinePair(first, a), x);
            EXPECT_EQ(CombinePair(first, b), x);
        }
    int16_t w[drive::ParamCount] = {};
    SplitPair(drive::PositionLowRegister, 0x12345678, w);
    EXPECT_EQ(static_cast<uint16_t>(w[drive::PositionLowRegister]), 0x5678); // low word first
    SplitPair(85, 0x12345678, w);
    EXPECT_EQ(static_cast<uint16_t>(w[85]), 0x1234); // high word first
    int16_t untouched[drive::ParamCount] = {};
    SplitPair(84, -1, untouched); // not a first register: nothing written
    SplitPair(drive::SpeedRegister, -1, untouched);
    for (int16_t x : untouched)
        EXPECT_EQ(x, 0);
    EXPECT_EQ(CombinePair(84, v), 0);
}

TEST(ValueNames, TablesAndBoundedLookupsInEitherLanguage) {
    EXPECT_STREQ(AlarmNamesEn[12], " 12 : Over Speed Error");
    EXPECT_STREQ(ControlModeNamesEn[2], " 2 : Troque Control");
    EXPECT_STREQ(CommandFormNamesKo[21], " 21 : 아날로그 입력");
    EXPECT_STREQ(CommandFormNamesEn[29], " 29 : RESERVED");
    EXPECT_STREQ(InputFunctionNamesKo[5], " 5 : DIR");
    EXPECT_STREQ(InputFunctionNamesEn[5], " 5 : Direction");
    EXPECT_STREQ(OutputFunctionNames[5], " 5 : ZERO SPEED");
    for (int i = 0; i < COMMAND_FORM_NAME_COUNT; ++i) {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, " %d : ", i);
        EXPECT_EQ(std::string(CommandFormNamesKo[i]).rfind(prefix, 0), 0u) << i;
        EXPECT_EQ(std::string(CommandFormNamesEn[i]).rfind(prefix, 0), 0u) << i;
    }

    EXPECT_STREQ(AlarmName(0, true), " 0 : 알람 없음");
    EXPECT_STREQ(ControlModeName(1, true), " 1 : 속도 제어");
    EXPECT_STREQ(InputFunctionName(8, true), " 8 : 인덱스(BIT 0)");
    EXPECT_STREQ(CommandFormName(13, false), " 13 : Speed Index");

    for (bool korean : {false, true}) {
        for (int bad : {-1, INT_MIN, 13, 1000})
            EXPECT_STREQ(AlarmName(bad, korean), "") << bad;
        EXPECT_STREQ(ControlModeName(3, korean), "");
        EXPECT_STREQ(CommandFormName(30, korean), "");
        EXPECT_STREQ(InputFunctionName(16, korean), "");
    }
    EXPECT_STREQ(OutputFunctionName(7), "");
    EXPECT_STREQ(OutputFunctionName(-1), "");
    EXPECT_STREQ(AfterColon(" 1 : EMG"), " EMG");
    EXPECT_STREQ(AfterColon("no colon"), "no colon");
    EXPECT_STREQ(AfterColon(nullptr), "");
}

TEST(Language, KoreanOnlyForTheKoreanLocale) {
    for (const char* yes : {"ko", "ko_KR", "ko_KR.UTF-8", "ko_KR.eucKR", "ko.UTF-8", "KO_kr"})
        EXPECT_TRUE(LocaleNameIsKorean(yes)) << yes;
    for (const char* no : {"", "k", "kok_IN", "en_US.UTF-8", "C", "POSIX", "C.UTF-8", "ja_JP"})
        EXPECT_FALSE(LocaleNameIsKorean(no)) << no;

    const std::string file = test::UniqueTempPath("velt_locale").string();
    {
        std::ofstream out(file);
        out << "# system locale\nLANGUAGE=en\nLANG=\"ko_KR.UTF-8\"\n";
    }
    EXPECT_TRUE(DefaultLanguageIsKorean(nullptr, nullptr, nullptr, file));
    EXPECT_TRUE(DefaultLanguageIsKorean("", "", "", file));
    EXPECT_FALSE(DefaultLanguageIsKorean(nullptr, nullptr, "en_GB.UTF-8", file)); // LANG before the file
    EXPECT_TRUE(DefaultLanguageIsKorean(nullptr, "ko_KR.UTF-8", "en_GB.UTF-8", file));
    EXPECT_FALSE(DefaultLanguageIsKorean("C", "ko_KR.UTF-8", "ko_KR", file)); // LC_ALL decides
    EXPECT_FALSE(DefaultLanguageIsKorean(nullptr, nullptr, nullptr, file + ".missing"));
    std::filesystem::remove(file);

    EXPECT_EQ(ParseLangOption("ko"), 1);
    EXPECT_EQ(ParseLangOption("EN"), 0);
    EXPECT_EQ(ParseLangOption("de"), -1);
    EXPECT_EQ(ParseLangOption(""), -1);
    EXPECT_EQ(ParseLangOption(nullptr), -1);
}
