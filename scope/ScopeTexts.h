#pragma once
// The scope's own user texts in both languages, beyond the dialog's labels
// (which are the same in both): the chart's right-click menu, its messages
// and CSV header, and the accessible names of the
// controls that have no caption of their own.
#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kExportCsvMenu{"CSV 내보내기...", "Export CSV..."};
inline constexpr LocalText kSaveImageMenu{"이미지 저장...", "Save Image..."};
inline constexpr LocalText kExportCsvCaption{"CSV 내보내기", "Export CSV"};
inline constexpr LocalText kSaveImageCaption{"이미지 저장", "Save Image"};
inline constexpr LocalText kCsvFilter{"CSV 파일 (*.csv)", "CSV files (*.csv)"};
inline constexpr LocalText kPngFilter{"PNG 이미지 (*.png)", "PNG images (*.png)"};
inline constexpr LocalText kScopeFileSaveError{"파일을 저장하지 못했습니다.", "File Save Error"};
inline constexpr LocalText kCsvTimeHeader{"시간 [s]", "Time [s]"};

inline constexpr LocalText kChartName{"스코프 차트", "Scope chart"};
inline constexpr LocalText kChartDescription{"X %1 .. %2 초, Y %3 .. %4", "X %1 .. %2 s, Y %3 .. %4"};
inline constexpr LocalText kRunIndicatorName{"운전 표시", "Run indicator"};
inline constexpr LocalText kRunning{"운전 중", "Running"};
inline constexpr LocalText kStopped{"정지", "Stopped"};
inline constexpr LocalText kSwatchName{"Ch %1 색", "Ch %1 colour"};
inline constexpr LocalText kSourceListName{"Ch %1 소스", "Ch %1 source"};
inline constexpr LocalText kSpanName{"Y 폭", "Y span"};
inline constexpr LocalText kXZoomName{"X 확대/축소", "X zoom"};
inline constexpr LocalText kYZoomName{"Y 확대/축소", "Y zoom"};
inline constexpr LocalText kYScrollName{"Y 이동", "Y scroll"};
inline constexpr LocalText kXScrollName{"X 이동", "X scroll"};
inline constexpr LocalText kArrowUp{"위", "up"};
inline constexpr LocalText kArrowDown{"아래", "down"};
inline constexpr LocalText kArrowLeft{"왼쪽", "left"};
inline constexpr LocalText kArrowRight{"오른쪽", "right"};

} // namespace velt
