#pragma once
// The texts of the compare window, Korean and English.
#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kCompareButton{"비교...", "Compare..."};
inline constexpr LocalText kCompareTitle{"파라미터 비교", "Compare Parameters"};

inline constexpr LocalText kSideA{"A 쪽", "Side A"};
inline constexpr LocalText kSideB{"B 쪽", "Side B"};
// The entries of a side's source list, in the order of CompareDialog::Source.
inline constexpr LocalText kSourceDrive{"드라이브 (지금 읽기)", "Drive (read now)"};
inline constexpr LocalText kSourceWorking{"현재 편집값", "Working copy"};
inline constexpr LocalText kSourceFile{"파일", "File"};
inline constexpr LocalText kSourceBackup{"백업", "Backup"};
inline constexpr LocalText kDriveHeader{"드라이브", "Drive"};
// Another drive of the line, by its ID and name: its entry in the source
// lists (followed by kReadNowNote) and its column header.
inline constexpr LocalText kOtherDriveHeader{"드라이브 {id} {name}", "Drive {id} {name}"};
inline constexpr LocalText kReadNowNote{"(지금 읽기)", "(read now)"};
inline constexpr LocalText kBackupAllDrives{"모든 드라이브 백업(&U)", "Back &up all drives"};
inline constexpr LocalText kBackupAllTip{
    "연결의 드라이브마다 파라미터를 읽어 드라이브 ID 가 붙은 백업 파일을 하나씩 씁니다.",
    "Reads the parameters of each drive of the line and writes one backup per drive, named with its ID."};
// {id}, {file}, {why}: one line of the account of "Back up all drives".
inline constexpr LocalText kDriveBackedUp{"드라이브 {id}: {file}", "Drive {id}: {file}"};
inline constexpr LocalText kDriveNotBackedUp{"드라이브 {id}: 백업하지 못했습니다 ({why})",
                                             "Drive {id}: not backed up ({why})"};
inline constexpr LocalText kBrowse{"찾아보기(&W)...", "Bro&wse..."};
inline constexpr LocalText kBrowseNameA{"A 쪽 파일 찾아보기", "Browse for the file of side A"};
inline constexpr LocalText kBrowseNameB{"B 쪽 파일 찾아보기", "Browse for the file of side B"};
inline constexpr LocalText kBackupListNameA{"A 쪽 백업", "Backup of side A"};
inline constexpr LocalText kBackupListNameB{"B 쪽 백업", "Backup of side B"};

inline constexpr LocalText kNeedsDrive{"드라이브가 연결되어 있지 않습니다. 먼저 드라이브를 연결하세요.",
                                       "No drive is connected: connect the drive first."};
inline constexpr LocalText kNoBackups{"백업 파일이 없습니다.", "There are no backups."};
inline constexpr LocalText kNotChosen{"(선택 안 됨)", "(not chosen)"};
inline constexpr LocalText kReadingDrive{"드라이브에서 읽는 중...", "Reading the drive..."};
// "%1" is the time of the read.
inline constexpr LocalText kDriveReadAt{"드라이브, %1에 읽음", "Drive, read at %1"};
inline constexpr LocalText kDriveReadFail{"드라이브의 파라미터를 읽지 못했습니다.",
                                          "The drive's parameters could not be read."};

// The columns of the table, of the clipboard text and of the CSV file (the
// two value columns are named after their sides).
inline constexpr LocalText kNumberColumn{"번호", "No."};
inline constexpr LocalText kNameColumn{"이름", "Name"};
inline constexpr LocalText kNoteColumn{"비고", "Note"};
// The notes of a row.
inline constexpr LocalText kNoteNotStored{"저장 안 됨", "not stored"};
inline constexpr LocalText kNoteNotInA{"A에 없음", "not in A"};
inline constexpr LocalText kNoteNotInB{"B에 없음", "not in B"};

inline constexpr LocalText kOnlyDifferences{"차이만 보기(&D)", "Only &differences"};
// "%1" is the number of rows that differ.
inline constexpr LocalText kDifferenceCount{"차이: %1개", "Differences: %1"};
inline constexpr LocalText kTableName{"파라미터 비교 표", "Parameter comparison"};
inline constexpr LocalText kReadProgressName{"드라이브 읽기 진행", "Drive read progress"};

inline constexpr LocalText kTake{"편집값으로 가져오기(&T)", "&Take into working copy"};
inline constexpr LocalText kTakeTip{
    "선택한 행의 B 값을 파라미터 화면의 편집값으로 가져옵니다. 드라이브에는 "
    "[전체 파라미터 저장하기]를 눌러야 저장됩니다.",
    "Puts the B values of the selected rows into the parameter page's working "
    "copy. Nothing reaches the drive before All Parameter Save."};
// "%1" is the number of values taken.
inline constexpr LocalText kTaken{"편집값으로 %1개를 가져왔습니다. 드라이브에 저장하려면 [전체 파라미터 "
                                  "저장하기]를 누르세요.",
                                  "%1 values taken into the working copy. All Parameter Save stores them in "
                                  "the drive."};
inline constexpr LocalText kCopy{"복사(&C)", "&Copy"};
inline constexpr LocalText kExportCsv{"CSV 내보내기(&E)...", "&Export CSV..."};
inline constexpr LocalText kCsvFilter{"CSV 파일 (*.csv)", "CSV files (*.csv)"};
inline constexpr LocalText kReadAgain{"다시 읽기(&R)", "&Read again"};
inline constexpr LocalText kClose{"닫기", "Close"};

} // namespace velt
