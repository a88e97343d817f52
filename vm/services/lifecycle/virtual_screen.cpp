// The video property record and the virtual screen's clear (see
// virtual_screen.h).
#include "vm/services/lifecycle/virtual_screen.h"

#include <cstdlib>

#include "ce/substrate/vm_sections.h"
#include "port/kjava_gfx/jk_gfx_offscreen.h"
#include "vm/core/interp/runtime_entries.h"

namespace {

struct VideoState {
  int32_t filled;
  VsVideoProperty property;
};

VS_VMBSS(VideoState) gVideo = {};

}  // namespace

VsVideoProperty* vsDisplay_getVideoProperty() {
  if (gVideo.filled == 0) {
    gVideo.property.screenImage = -1;
    JkVideoGetScreenInfo(&gVideo.property.screenImage);
    gVideo.filled = 1;
  }
  return &gVideo.property;
}

void vsDisplay_clearVirtualScreen() {
  const int32_t image = vsDisplay_getVideoProperty()->screenImage;
  if (image == -1) vsVm_fatal("Can't get video property.");
  void* context = JkGraphicsCreateContext(image);
  if (context == nullptr || context == kJkNoGraphicsContext) vsVm_fatal("Can't create graphics context.");
  const int32_t width = JkOffScreenGetWidth(image);
  const int32_t height = JkOffScreenGetHeight(image);
  if (width < 1 || height <= 0) {
    std::free(context);
    vsVm_fatal("Invalid virtual screen size.");
  }
  JkGraphicsSetColor(context, kVsScreenClearColor);
  JkVideoLock();
  const int32_t all[] = {0, 0, width, height};
  JkGraphicsFillRect(context, all);
  JkVideoUnlock(1);
  std::free(context);
}
