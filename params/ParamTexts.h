#pragma once
// The texts of the parameters subsystem, Korean and English: the parameter
// page, the value entry dialogs, the save sequence and the parameter files.
// Each user picks one with the language it was handed. Placeholders in
// braces ("{n}") are filled with FillText.
#include "base/LocalText.h"
#include "monitor/ModeTexts.h"

namespace velt {

inline constexpr LocalText kFunctionSelectLabel{"기능 선택", "Function Select"};
inline constexpr LocalText kContactSelectLabel{"접점 선택", "Contact Select"};
// A contact button's name: "IN 1 Contact A".
inline constexpr LocalText kContactName{"접점", "Contact"};
inline constexpr LocalText kReadAllCaption{"전체 파라미터\n읽어오기", "All Parameter\nRead"};
inline constexpr LocalText kSaveAllCaption{"전체 파라미터\n저장하기", "All Parameter\nSave"};
inline constexpr LocalText kNameHeader{"기능", "Function"};
inline constexpr LocalText kReadAllFail{
    "전체 파라미터를 모두 읽어 오지 못했습니다.\r\n [전체 파라미터 읽어오기] 버튼을 눌러주세요.",
    "All Parameter Read Fail. \r\n [All Parameter Read] Press the button"};

// Accessible names of controls without a caption of their own.
inline constexpr LocalText kParamGridName{"파라미터 목록", "Parameter list"};
inline constexpr LocalText kSaveProgressName{"저장 진행", "Save progress"};
inline constexpr LocalText kHelpTextName{"도움말", "Help"};

// The value entry dialogs. The captions are the same in both languages.
inline constexpr LocalText kDialogOk{"확인", "OK"};
inline constexpr LocalText kDialogCancel{"취소", "Cancel"};
inline constexpr LocalText kDecimalDialogCaption{"파라메터 변경(DEC)", "파라메터 변경(DEC)"};
inline constexpr LocalText kBitDialogCaption{"파라메터 변경(HEX)", "파라메터 변경(HEX)"};
// "{v}" is the text entered, quoted; "{range}" is kEntryRange.
inline constexpr LocalText kEntryNotWhole{"{v} 은(는) 정수가 아닙니다.\r\n{range}",
                                          "{v} is not a whole number.\r\n{range}"};
// "{v}" is the value; "{range}" is kEntryRange or kBitRange.
inline constexpr LocalText kEntryDoesNotFit{"{v} 은(는) 이 파라미터가 담을 수 없는 값입니다.\r\n{range}",
                                            "{v} does not fit this parameter.\r\n{range}"};
inline constexpr LocalText kEntryRange{"파라미터 [{n}]번에는 {min} ~ {max} 사이의 정수를 입력하세요.",
                                       "Enter a whole number from {min} to {max} for parameter No.[{n}]."};
// A range whose upper bound is the value of parameter "{p}".
inline constexpr LocalText kEntryRangeUpTo{
    "파라미터 [{n}]번에는 {min} ~ {max} (파라미터 [{p}]번의 값) 사이의 정수를 입력하세요.",
    "Enter a whole number from {min} to {max} (the value of parameter No.[{p}]) for parameter No.[{n}]."};
// "{high}" is the highest bit a value in range may have set.
inline constexpr LocalText kBitRange{
    "파라미터 [{n}]번은 {min} ~ {max} 입니다: BIT 0 ~ BIT {high} 만 설정할 수 있습니다.",
    "Parameter No.[{n}] takes {min} to {max}: only BIT 0 to BIT {high} can be set."};
inline constexpr LocalText kBaudRateNotice{
    "통신속도는 파라미터 저장 후 드라이버 전원을 껐다켜야 적용됩니다.",
    "Save the communication speed parameters are applied to turn the power off and then the driver."};

// The save sequence.
inline constexpr LocalText kSaveServoOn{"Servo OFF 후 저장하세요!", "After You Save Servo OFF"};
inline constexpr LocalText kSaveQuestion{"파라메터를 저장 하시겠습니까?", "Parameter Save ?"};
inline constexpr LocalText kSaveWriteFailed{
    " 파라미터 [{n}]번 저장시 Error 가 발생하였습니다. \r\n Min, Max 값 및 통신연결 상태 확인 후 \r\n 다시 "
    "저장 하세요.",
    " Parameters No.[{n}] during storage Error has occurred.\r\n Min, Max values and communication "
    "connection status check \r\n Save again."};
// After every value was written: the store command failed. "{reason}" is
// the result of the command (DescribeRtuResult).
inline constexpr LocalText kSaveOtherDrive{
    "이 파라미터 값들은 드라이브 {from}에서 읽은 것인데, 지금 통신하는 드라이브는 {now}입니다. 아무 값도 "
    "저장하지 않았습니다.\r\n드라이브 {now}의 파라미터를 먼저 읽으세요.",
    "These parameter values were read from drive {from}, but the link now talks to drive {now}. Nothing was "
    "stored.\r\nRead the parameters of drive {now} first."};
inline constexpr LocalText kChangeDriveQuestion{
    "파라미터 페이지에 드라이브 {from}에 저장하지 않은 값이 있습니다.\r\n예: 드라이브 {from}에 저장한 뒤 "
    "드라이브 {to}(으)로 바꿉니다.\r\n아니요: 이 값들을 버리고 바꿉니다.\r\n취소: 드라이브 {from}에 "
    "머무릅니다.",
    "The parameter page holds values for drive {from} that are not stored in it.\r\nYes: store them in drive "
    "{from}, then change to drive {to}.\r\nNo: discard them and change.\r\nCancel: stay with drive {from}."};
inline constexpr LocalText kChangeDriveBusy{
    "파라미터를 읽거나 저장하는 중입니다. 끝난 뒤에 드라이브를 바꾸세요.",
    "The parameter page is reading or storing; change the drive when it has finished."};
inline constexpr LocalText kStoreNotConfirmed{
    "파라미터 값은 드라이브에 전달되었지만, 드라이브가 저장을 확인하지 않았습니다.\r\n원인: "
    "{reason}\r\n드라이브 "
    "전원을 끄면 이 값들이 없어질 수 있습니다. 통신연결 상태 확인 후 다시 저장 하세요.",
    "The values reached the drive, but the drive did not confirm keeping them.\r\nReason: {reason}\r\nThey "
    "may be lost when the drive is switched off. Check the connection and save again."};
// "{reason}" says why the backup could not be written.
inline constexpr LocalText kSaveBackupFailed{
    "File Save Error\r\n드라이브 파라미터의 백업 파일을 쓰지 못했습니다.\r\n{reason}\r\n\r\n백업 없이 "
    "파라미터를 저장 하시겠습니까?",
    "File Save Error\r\nThe backup of the drive's parameters could not be written.\r\n{reason}\r\n\r\nStore "
    "the parameters without a backup?"};
// The details of the save question.
inline constexpr LocalText kNotStoredMark{" (저장 안 됨)", " (not stored)"};
inline constexpr LocalText kNothingDiffers{"드라이브가 마지막으로 알려 준 값과 다른 파라미터가 없습니다.",
                                           "No parameter differs from the values the drive last reported."};

// Parameter files and backups: why a file cannot be taken, and the warnings
// about its lines.
inline constexpr LocalText kParMoreWarnings{"경고가 더 있으나 표시하지 않습니다",
                                            "more warnings follow and are not listed"};
inline constexpr LocalText kParLine{"{n}번째 줄: ", "line {n}: "};
inline constexpr LocalText kParNoColon{"콜론(:)이 없습니다: 줄 전체를 파라미터 0의 값으로 읽습니다",
                                       "no colon: the whole line is read as the value of parameter 0"};
inline constexpr LocalText kParOneColon{"콜론(:)이 하나뿐입니다: 그 뒤를 값으로 읽습니다",
                                        "only one colon: the value is read after it"};
inline constexpr LocalText kParNoNumber{"파라미터 번호가 없습니다: 0으로 읽습니다",
                                        "no parameter number: read as 0"};
inline constexpr LocalText kParOutside{"파라미터 번호 {n}은(는) 0 ~ {last} 밖입니다: 무시합니다",
                                       "parameter number {n} is outside 0 to {last}: ignored"};
inline constexpr LocalText kParNoValue{"값이 없습니다: 0으로 읽습니다", "no value: read as 0"};
inline constexpr LocalText kParTooWide{"값이 16비트를 넘습니다: {v}(으)로 저장합니다",
                                       "value does not fit 16 bits: stored as {v}"};
inline constexpr LocalText kParCutShort{"{n}번째 줄에 줄 끝이 없습니다: 파일이 잘렸습니다",
                                        "line {n} has no line end: the file is cut short"};
inline constexpr LocalText kParEmpty{"파일이 비어 있습니다", "the file is empty"};
inline constexpr LocalText kParNoParameters{"파라미터 줄이 하나도 없습니다",
                                            "the file holds no parameter lines"};
inline constexpr LocalText kParTooLarge{"1 MiB보다 커서 파라미터 파일이 아닙니다",
                                        "it is larger than 1 MiB, too large for a parameter file"};
inline constexpr LocalText kParCannotRead{"파일을 읽을 수 없습니다", "it cannot be read"};
inline constexpr LocalText kParNoCp949{"파라미터 이름을 코드 페이지 949로 쓸 수 없습니다",
                                       "a parameter name cannot be written in code page 949"};
// The first line of a .par file written for a known drive ({id}); a comment
// line, which every reader skips.
inline constexpr LocalText kParDriveLine{"# 드라이브 ID : {id}", "# Drive ID : {id}"};
inline constexpr LocalText kBackupTooMany{"{folder} 폴더에 같은 초의 백업이 너무 많습니다",
                                          "too many backups within one second in {folder}"};

} // namespace velt
