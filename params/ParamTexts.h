#pragma once
// The texts of the parameter page and the value entry dialogs, Korean and
// English; the windows pick one by the language chosen at start-up.
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

// The value entry dialogs.
inline constexpr LocalText kDialogOk{"확인", "OK"};
inline constexpr LocalText kDialogCancel{"취소", "Cancel"};

} // namespace velt
