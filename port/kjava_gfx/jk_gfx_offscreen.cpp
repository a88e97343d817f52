// Off-screens (see jk_gfx_offscreen.h).
#include "port/kjava_gfx/jk_gfx_offscreen.h"

#include "port/kjava_gfx/jk_gfx_surface.h"
#include "storage/trace.h"

int32_t JkOffScreenCreate(int32_t width, int32_t height) {
  if (width < 1 || height < 1)
    return kJkInvalidHandle;
  JkSurface* surface = nullptr;
  switch (jkGfxSurface_create(width, height, &surface)) {
    case SurfaceStatus::Done:
      return jkSurface_toHandle(surface);
    case SurfaceStatus::NoRecord:
      TRACE_REPORT(kTraceLevelError, "JkOffScreenCreate structure Fail (OutOfMemory)");
      return kJkInvalidHandle;
    default:
      TRACE_REPORT(kTraceLevelError, "JkOffScreenCreate buffer Fail (OutOfMemory)");
      return kJkInvalidHandle;
  }
}

void JkOffScreenDestroy(int32_t handle) { jkGfxSurface_destroy(jkSurface_fromHandle(handle)); }

int32_t JkOffScreenGetWidth(int32_t handle) { return jkGfxSurface_width(handle); }

int32_t JkOffScreenGetHeight(int32_t handle) { return jkGfxSurface_height(handle); }

void JkOffScreenGetARGB(int32_t handle, uint32_t* out, int32_t count, int32_t scanLength,
                        const int32_t rect[4]) {
  if (jkGfxSurface_readARGB(jkSurface_fromHandle(handle), out, count, scanLength, rect, true) ==
      SurfaceStatus::NoBuffer)
    TRACE_REPORT(kTraceLevelError, "JkOffScreenGetARGB Fail (OutOfMemory)");
}
