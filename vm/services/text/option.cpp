// Options with built-in defaults: the look-up through the port and the
// default table (see option.h).
#include "vm/services/text/option.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "ce/substrate/vm_word.h"
#include "port/option.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/properties.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

namespace {

struct VsOptionDefault {
  const char* key;
  const char* value;
};

// The defaults, ended by the empty entry, which the look-up skips.
constexpr VsOptionDefault kDefaults[] = {
    {"default.timezone", "Asia/Tokyo"},
    {"language.direction", "0"},
    {"midp_selector_exit", "Exit"},
    {"midp_alert_done", "Done"},
    {"midp_command_menu", "Menu"},
    {"midp_selector_launch_failed", "Launching %n failed."},
    {"midp20_permissionOk", "OK"},
    {"midp20_permissionCancel", "Cancel"},
    {"midp20_permissionBlanket", "Allow and don't ask again"},
    {"midp20_permissionSession", "Allow for this session"},
    {"midp20_permissionSessionNo", "No for this session"},
    {"midp20_permissionOneshot", "Allow and ask me next time"},
    {"midp20_permissionNotNow", "Not now"},
    {"midp20_permissionNever", "Never"},
    {"midp20_permissionUseNativeDialog", "0"},
    {"midp20_permissionNetAccess", "Use network?"},
    {"midp20_permissionMessaging", "Use messaging?"},
    {"midp20_permissionShareRecordstore", "Share recordstore?"},
    {"midp20_permissionAutoInvocation", "Use auto invocation?"},
    {"midp20_permissionLocalConnectivity", "Use local connectivity?"},
    {"midp20_permissionRecording", "Use recording?"},
    {"midp20_permissionDefault", "Allow?"},
    {"midp_vertical_scroll", "12"},
    {"midp_scrollbar_width", "0"},
    {"midp_screen_background", "0x00FFFFFF"},
    {"midp_screen_foreground", "0x00000000"},
    {"midp_screen_linked_color", "0x000000FF"},
    {"midp_form_inset_top", "0"},
    {"midp_form_inset_left", "0"},
    {"midp_form_inset_right", "0"},
    {"midp_form_inset_bottom", "0"},
    {"midp_enhance_create_cropped_image", "0"},
    {"midp_enhance_flush_game_graphics", "0"},
    {"midp_game_flush_compatible_wt_wtk", "0"},
    {"midp20_permissionDialog_background", "0x00FFFFFF"},
    {"midp20_permissionDialog_foreground", "0x00000000"},
    {nullptr, nullptr},
};
static_assert(sizeof kDefaults / sizeof kDefaults[0] == kVsOption_defaultCount + 1);

VS_VMBSS(VmWord) gBuffer = 0;

}  // namespace

void vsOption_initialize() {
  void* buffer = vsMemory_allocPointer(kVsOption_bufferBytes);
  if (buffer == nullptr) vsNativeMethod_fatalOutOfMemory();
  gBuffer = vsWord_fromPointer(buffer);
}

const char* vsOption_getUtf8(const char* key) {
  char* buffer = vsWord_toPointer<char>(gBuffer);
  if (key[0] == '\0') {
    vsTraceLog_trace("vsOption_getUtf8: key can't be empty");
    buffer[0] = '\0';
    return buffer;
  }
  const int32_t asked =
      vsProperty_askPort(JkOptionGetString, "JkOptionGetString", key, buffer, kVsOption_bufferBytes);
  if (asked < 0) return nullptr;
  return asked == 0 ? vsOption_getDefault(key) : buffer;
}

const char* vsOption_getDefault(const char* key) {
  const size_t length = std::strlen(key);
  for (const VsOptionDefault& d : kDefaults) {
    if (d.key == nullptr) continue;
    if (std::strlen(d.key) == length && std::memcmp(d.key, key, length) == 0) return d.value;
  }
  return nullptr;
}
