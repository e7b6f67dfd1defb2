// The monitor's rate on Windows. The display settings (EnumDisplaySettings,
// which GLFW passes on) cut the rate to whole Hz: 59.94 Hz reads 59. The
// display configuration gives the target's vertical sync frequency as a
// ratio, per monitor; DWM's composition timing would give one rate for the
// whole desktop only (its window argument must be null since Windows 8.1),
// not that of the monitor that shows a preview. Read once a second while the
// clock rests, into buffers of its own: nothing is allocated.
#include "shell/MonitorRate.h"

#include <windows.h>

#include <cwchar>

namespace {

// The true rate is trusted to this part either way: the GPU's clock and
// the system's disagree by far less.
constexpr double kRatioSlack = 0.002;

// More active displays than any desktop has; with more, the display
// settings' rate stands.
constexpr UINT32 kMostPaths = 32;

bool DisplayConfigRate(const wchar_t* device, double* hz) {
  static DISPLAYCONFIG_PATH_INFO paths[kMostPaths];
  static DISPLAYCONFIG_MODE_INFO modes[3 * kMostPaths];  // source, target, desktop image
  UINT32 pathCount = 0;
  UINT32 modeCount = 0;
  if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) !=
          ERROR_SUCCESS ||
      pathCount > kMostPaths || modeCount > 3 * kMostPaths) {
    return false;
  }
  if (QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths, &modeCount, modes, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  for (UINT32 i = 0; i < pathCount; ++i) {
    const DISPLAYCONFIG_PATH_INFO& path = paths[i];
    DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
    source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
    source.header.size = sizeof source;
    source.header.adapterId = path.sourceInfo.adapterId;
    source.header.id = path.sourceInfo.id;
    if (DisplayConfigGetDeviceInfo(&source.header) != ERROR_SUCCESS ||
        std::wcscmp(source.viewGdiDeviceName, device) != 0) {
      continue;
    }
    // The target mode's signal, where there is one, is what the monitor
    // runs at; the path's own rate otherwise.
    DISPLAYCONFIG_RATIONAL rate = path.targetInfo.refreshRate;
    const UINT32 mode = path.targetInfo.modeInfoIdx;
    if (mode < modeCount && modes[mode].infoType == DISPLAYCONFIG_MODE_INFO_TYPE_TARGET) {
      rate = modes[mode].targetMode.targetVideoSignalInfo.vSyncFreq;
    }
    if (rate.Denominator == 0) return false;
    *hz = static_cast<double>(rate.Numerator) / rate.Denominator;
    return true;
  }
  return false;
}

}  // namespace

DisplayRate RefreshRateShowing(std::uintptr_t window) {
  MONITORINFOEXW monitor{};
  monitor.cbSize = sizeof monitor;
  HMONITOR handle = MonitorFromWindow(reinterpret_cast<HWND>(window), MONITOR_DEFAULTTOPRIMARY);
  if (!GetMonitorInfoW(handle, &monitor)) return WholeHertzRate(0, 0.0, 0.0);
  double hz = 0.0;
  if (DisplayConfigRate(monitor.szDevice, &hz) && hz >= kSlowestRefreshHz) {
    return DisplayRate{hz * (1.0 - kRatioSlack), hz * (1.0 + kRatioSlack)};
  }
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode)) {
    return WholeHertzRate(0, 0.0, 0.0);
  }
  return WholeHertzRate(static_cast<int>(mode.dmDisplayFrequency), 0.0, 1.0);
}
