// Two parameter sets compared: the rows and their texts, taking rows into a
// working copy, the table as text and CSV; the list of backups.
#include "ParamFolderFixture.h"
#include "link/DriveMap.h"
#include "params/Backup.h"
#include "params/ParamCompare.h"

#include <algorithm>

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;

namespace {

// What the two files of the comparison hold: the same set but for a list
// parameter (71, the command form), a bit parameter (40), the low word of a
// position pair (84) and a parameter not in use (33: never stored).
struct TwoFiles : ParamFolderTest {
    void SetUp() override {
        ParamFolderTest::SetUp();
        a = Filled(0);
        a[drive::ParamDefaultMode] = 1;
        a[drive::ParamDefaultForm] = 13;
        a[drive::ParamInPole] = 0xFF;
        SplitPair(83, 100000, a.data());
        a[33] = 1;
        b = a;
        b[drive::ParamDefaultForm] = 11;
        b[drive::ParamInPole] = 0x0E;
        SplitPair(83, -5, b.data());
        b[33] = 0;
        ASSERT_TRUE(WriteParFile(root_ / "a.par", a, false));
        ASSERT_TRUE(WriteParFile(root_ / "b.par", b, false));
    }
    ParamSet Read(const fs::path& file) const {
        ParamValues values{};
        ParReadResult read;
        EXPECT_TRUE(ReadParFile(file, &values, false, &read)) << read.error;
        return FileSet(values, read);
    }
    static std::vector<CompareRow> Differing(const std::vector<CompareRow>& rows) {
        std::vector<CompareRow> out;
        std::copy_if(rows.begin(), rows.end(), std::back_inserter(out),
                     [](const CompareRow& r) { return r.differs; });
        return out;
    }
    ParamValues a{}, b{};
};

TEST_F(TwoFiles, DifferingRowsShowListNamesHexBitsPairsAndWhatIsNotStored) {
    const ParamSet setA = Read(root_ / "a.par");
    const ParamSet setB = Read(root_ / "b.par");
    const std::vector<CompareRow> rows = CompareSets(setA, setB);
    EXPECT_EQ(rows.size(), 134u); // 144 registers, ten pairs shown as one
    EXPECT_EQ(CountDifferences(rows), 4);
    const std::vector<CompareRow> differing = Differing(rows);
    ASSERT_EQ(differing.size(), 4u);

    EXPECT_EQ(RowNumberText(differing[0]), "033");
    EXPECT_EQ(RowNameText(differing[0], false), "SELECT PROTOCOL");
    EXPECT_EQ(RowValueText(differing[0], setA, false), "1");
    EXPECT_EQ(RowNoteText(differing[0], false), "not stored");

    EXPECT_EQ(RowNumberText(differing[1]), "040");
    EXPECT_EQ(RowValueText(differing[1], setA, false), "0xFF");
    EXPECT_EQ(RowValueText(differing[1], setB, false), "0x0E");
    EXPECT_EQ(RowNoteText(differing[1], false), "");

    EXPECT_EQ(RowNumberText(differing[2]), "071");
    EXPECT_EQ(RowValueText(differing[2], setA, false), "13 : Speed Index");
    EXPECT_EQ(RowValueText(differing[2], setB, false), "11 : Analog Input");

    // Only the low word differs; the row is the pair's one signed value.
    EXPECT_EQ(RowNumberText(differing[3]), "083-084");
    EXPECT_EQ(differing[3].registers, 2);
    EXPECT_EQ(RowNameText(differing[3], false), "POSITION INDEX 1 H / POSITION INDEX 1 L");
    EXPECT_EQ(RowValueText(differing[3], setA, false), "100000");
    EXPECT_EQ(RowValueText(differing[3], setB, false), "-5");

    // The same rows in Korean: names and notes of the language asked for.
    EXPECT_EQ(RowNameText(differing[2], true), "지령방법");
    EXPECT_EQ(RowValueText(differing[2], setB, true), "11 : 아날로그 입력");
    EXPECT_EQ(RowNoteText(differing[0], true), "저장 안 됨");
}

TEST_F(TwoFiles, ValuesOutsideTheirListsAndNegativeBitsStayReadable) {
    ParamValues odd = a;
    odd[drive::ParamDefaultMode] = 5;   // no such control mode
    odd[drive::ParamOutFunction1] = -1; // no such output function
    odd[drive::ParamOutPole] = -1;      // all sixteen bits
    const ParamSet set = WholeSet(odd);
    const std::vector<CompareRow> rows = CompareSets(set, set);
    const auto row = [&](int n) {
        return *std::find_if(rows.begin(), rows.end(), [n](const CompareRow& r) { return r.number == n; });
    };
    EXPECT_EQ(RowValueText(row(drive::ParamDefaultMode), set, false), "5");
    EXPECT_EQ(RowValueText(row(drive::ParamOutFunction1), set, false), "-1");
    EXPECT_EQ(RowValueText(row(drive::ParamOutPole), set, false), "0xFFFF");
    EXPECT_EQ(RowValueText(row(drive::ParamInFunction1 + 7), set, false), "0 : USER");
    EXPECT_EQ(RowNoteText(row(drive::CommandRegister), false), "not stored");
    EXPECT_EQ(RowNoteText(row(122), false), "not stored");
    EXPECT_EQ(CountDifferences(rows), 0);
}

TEST_F(TwoFiles, AFileNamingSomeParametersComparesOnlyThose) {
    // Parameter 13 and the high word of the pair 85/86 only.
    ASSERT_TRUE(WriteFileAtomically(root_ / "part.par", "013 : CURRENT P GAIN : 301\r\n085 : X : 7\r\n"));
    const ParamSet part = Read(root_ / "part.par");
    const ParamSet whole = WholeSet(a);
    const std::vector<CompareRow> rows = CompareSets(whole, part);
    EXPECT_EQ(CountDifferences(rows), 1);
    for (const CompareRow& row : rows) {
        EXPECT_EQ(row.inB, row.number == 13) << row.number; // half a pair is not the pair
        if (row.number == 13) {
            EXPECT_TRUE(row.differs);
        }
    }
    const auto pair =
        std::find_if(rows.begin(), rows.end(), [](const CompareRow& r) { return r.number == 85; });
    EXPECT_EQ(RowValueText(*pair, part, false), "");
    EXPECT_EQ(RowNoteText(*pair, false), "not in B");

    // Taking every row takes only what the file holds.
    ParamValues working = a;
    EXPECT_EQ(TakeRows(rows, part, &working), std::vector<int>{13});
    EXPECT_EQ(working[13], 301);
    EXPECT_EQ(working[85], a[85]);
}

TEST_F(TwoFiles, TakingRowsCopiesBothWordsOfAPairAndReportsWhatChanged) {
    const ParamSet setB = Read(root_ / "b.par");
    const std::vector<CompareRow> differing = Differing(CompareSets(Read(root_ / "a.par"), setB));
    ParamValues working = a;
    // The bit parameter and the pair; the list parameter and 33 stay.
    const std::vector<int> changed = TakeRows({differing[1], differing[3]}, setB, &working);
    EXPECT_EQ(changed, (std::vector<int>{40, 83, 84}));
    EXPECT_EQ(working[drive::ParamInPole], 0x0E);
    EXPECT_EQ(CombinePair(83, working.data()), -5);
    EXPECT_EQ(working[drive::ParamDefaultForm], 13);
    EXPECT_EQ(working[33], 1);
    // Taking them again changes nothing.
    EXPECT_TRUE(TakeRows({differing[1], differing[3]}, setB, &working).empty());
}

TEST_F(TwoFiles, TheTableIsTabSeparatedForTheClipboardAndQuotedCsvForAFile) {
    const ParamSet setA = Read(root_ / "a.par");
    const ParamSet setB = Read(root_ / "b.par");
    const std::vector<CompareRow> differing = Differing(CompareSets(setA, setB));
    EXPECT_EQ(CompareTableText({differing[1], differing[2]}, setA, setB, "A: a.par", "B: b.par",
                               TableFormat::Tabs, false),
              "No.\tName\tA: a.par\tB: b.par\tNote\n"
              "040\tIN POLE\t0xFF\t0x0E\t\n"
              "071\tDEFAULTS COMMAND FORM\t13 : Speed Index\t11 : Analog Input\t\n");
    EXPECT_EQ(
        CompareTableText({differing[0]}, setA, setB, "A: sets, \"old\".par", "B", TableFormat::Csv, false),
        "\xEF\xBB\xBFNo.,Name,\"A: sets, \"\"old\"\".par\",B,Note\r\n"
        "033,SELECT PROTOCOL,1,0,not stored\r\n");
}

TEST(BackupNames, OnlyNamesOfBackupsWithADateAndTimeAreRead) {
    BackupStamp s;
    ASSERT_TRUE(ParseBackupFileName("BackUp_20240131_142507.par", &s));
    EXPECT_EQ(s, (BackupStamp{2024, 1, 31, 14, 25, 7, 1}));
    ASSERT_TRUE(ParseBackupFileName("BackUp_20240131_142507_12.PAR", &s));
    EXPECT_EQ(s.copy, 12);
    EXPECT_EQ(BackupTimeText(s), "2024-01-31 14:25:07 (12)");
    for (const char* name :
         {"BackUp_2024013_142507.par", "BackUp_20241331_142507.par", "BackUp_20240131_242507.par",
          "BackUp_20240131_142507_.par", "BackUp_20240131_142507_x.par", "BackUp_20240131_142507.txt",
          "backup_20240131_142507.par", "BackUp_00000000_-1-1-1.par", "a.par"})
        EXPECT_FALSE(ParseBackupFileName(name, &s)) << name;
}

TEST_F(ParamFolderTest, BackupsAreListedNewestFirstWithTheirSize) {
    const fs::path folder = root_ / "backups";
    ASSERT_TRUE(CreateFolderPath(folder / "BackUp_20990101_000000.par")); // a folder, not a backup
    ASSERT_TRUE(WriteFileAtomically(folder / "BackUp_20240131_142507.par", "12345"));
    ASSERT_TRUE(WriteFileAtomically(folder / "BackUp_20240131_142507_2.par", "1"));
    ASSERT_TRUE(WriteFileAtomically(folder / "BackUp_20231231_235959.par", ""));
    ASSERT_TRUE(WriteFileAtomically(folder / "BackUp_20250101_000000.par", "123"));
    ASSERT_TRUE(WriteFileAtomically(folder / "axis1.par", "x"));
    const std::vector<BackupEntry> list = ListBackups(folder);
    std::vector<std::string> names;
    for (const BackupEntry& e : list)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"BackUp_20250101_000000.par", "BackUp_20240131_142507_2.par",
                                               "BackUp_20240131_142507.par", "BackUp_20231231_235959.par"}));
    EXPECT_EQ(list[2].size, 5u);
    EXPECT_EQ(list[2].path, folder / "BackUp_20240131_142507.par");
    EXPECT_TRUE(ListBackups(root_ / "missing").empty());
}

TEST_F(ParamFolderTest, AWrittenBackupIsListedAtTheTimeOfItsName) {
    const BackupResult written = WriteBackupFile(Filled(7), root_ / "backups", std::time(nullptr), false);
    ASSERT_TRUE(written.ok) << written.error;
    const std::vector<BackupEntry> list = ListBackups(root_ / "backups");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path, written.path);
    EXPECT_EQ(list[0].size, fs::file_size(written.path));
    const std::string& name = list[0].name;
    const BackupStamp& s = list[0].stamp;
    char expected[32];
    std::snprintf(expected, sizeof expected, "BackUp_%04d%02d%02d_%02d%02d%02d.par", s.year, s.month, s.day,
                  s.hour, s.minute, s.second);
    EXPECT_EQ(name, expected);
}

} // namespace
