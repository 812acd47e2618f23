#pragma once

#include <QIcon>

namespace velt {

// Icon resource ids of the connection bar, the parameter page and the monitoring page.
inline constexpr int kIconComSetting = 311;
inline constexpr int kIconLoad = 313;
inline constexpr int kIconMonitoring = 314;
inline constexpr int kIconParameter = 316;
inline constexpr int kIconSave = 319;
inline constexpr int kIconScope = 320;
inline constexpr int kIconSaveAll = 329;
inline constexpr int kIconReadAll = 330;
inline constexpr int kIconLogo = 334;
inline constexpr int kIconRepeat = 336;

// Returns the icon painted for a resource id; an unknown id gives a plain placeholder icon.
// Needs a QGuiApplication; user-interface thread only.
QIcon VeltIcon(int resourceId);

} // namespace velt
