// The virtual screen's video property record and the display's native
// initialisation, which clears the virtual screen to white.
//
// The record (nine words, word 0 the screen's image handle) is filled
// once per run by the graphics port on first use. Clearing needs the
// screen, a graphics context on it and a size of at least 1 x 1; without
// them the VM stops with "Can't get video property.", "Can't create
// graphics context." or "Invalid virtual screen size.".
#pragma once

#include <cstddef>
#include <cstdint>

#include "port/jk_video.h"

struct VsVideoProperty {
  int32_t screenImage;  // -1 for none
  int32_t info[kJkVideoPropertyWords - 1];
};
static_assert(sizeof(VsVideoProperty) == 36 && offsetof(VsVideoProperty, info) == 4);

inline constexpr uint32_t kVsScreenClearColor = 0xffffff;

// The record, filled on the first call of the run.
VsVideoProperty* vsDisplay_getVideoProperty();
void vsDisplay_clearVirtualScreen();
