// The device settings of the run: the 2 x 2 device-reset table, which the
// device reset reads when the application is paused or destroyed, and the
// backlight-flash flag.
//
//                 column 0: stop backlight flash   column 1: stop vibration
//   row 0 paused                1                           1
//   row 1 destroyed             1                           1
//
// Every entry starts each run at 1. The reset of an inactive application
// (vsDevice_resetInactive, midlet_hooks.h) tells the device, then stops the
// vibration and the backlight flash where the row's entries are set.
#pragma once

#include <cstdint>

#include "vm/core/natives/midlet_hooks.h"

inline constexpr int32_t kVsDeviceResetRows = 2;
inline constexpr int32_t kVsDeviceResetColumns = 2;
enum : int32_t { kVsDeviceResetPaused = 0, kVsDeviceResetDestroyed = 1 };
enum : int32_t { kVsDeviceResetBacklight = 0, kVsDeviceResetVibration = 1 };

struct VsDeviceResetTable {
  int32_t settings[kVsDeviceResetRows][kVsDeviceResetColumns];
};
static_assert(sizeof(VsDeviceResetTable) == 16);

// The row's address, or the offending index (row, else column) when one
// lies outside 0-1.
intptr_t vsDeviceReset_setSetting(int32_t row, int32_t column, int32_t value);
// The entry, 0 outside the table.
int32_t vsDeviceReset_getSetting(int32_t row, int32_t column);

void vsDevice_setBacklightFlag(int32_t flag);
int32_t vsDevice_getBacklightFlag();
