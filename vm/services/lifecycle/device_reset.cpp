// Device settings of the run (see device_reset.h).
#include "vm/services/lifecycle/device_reset.h"

#include "ce/substrate/vm_sections.h"
#include "port/device.h"

namespace {

VS_VMDATA(VsDeviceResetTable) gResetTable = {{{1, 1}, {1, 1}}};
VS_VMBSS(int32_t) gBacklightFlag = 0;

bool inside(int32_t index, int32_t size) { return index >= 0 && index < size; }

}  // namespace

intptr_t vsDeviceReset_setSetting(int32_t row, int32_t column, int32_t value) {
  if (!inside(row, kVsDeviceResetRows)) return row;
  if (!inside(column, kVsDeviceResetColumns)) return column;
  gResetTable.settings[row][column] = value;
  return reinterpret_cast<intptr_t>(gResetTable.settings[row]);
}

int32_t vsDeviceReset_getSetting(int32_t row, int32_t column) {
  if (!inside(row, kVsDeviceResetRows) || !inside(column, kVsDeviceResetColumns)) return 0;
  return gResetTable.settings[row][column];
}

void vsDevice_setBacklightFlag(int32_t flag) { gBacklightFlag = flag; }

int32_t vsDevice_getBacklightFlag() { return gBacklightFlag; }

void vsDevice_resetInactive(int32_t row) {
  if (!inside(row, kVsDeviceResetRows)) return;
  JkDeviceNotifyAppInactive();
  if (gResetTable.settings[row][kVsDeviceResetVibration] != 0) JkDeviceStopVibration();
  if (gResetTable.settings[row][kVsDeviceResetBacklight] != 0) JkDeviceStopBacklightFlash();
}
