// Immutable images (see jk_gfx_image.h).
#include "port/kjava_gfx/jk_gfx_image.h"

#include "port/kjava_gfx/devcodec/dev_codec.h"
#include "port/kjava_gfx/devcodec/png_decoder.h"
#include "port/kjava_gfx/jk_gfx_surface.h"
#include "port/kjava_gfx/kjava_gfx.h"
#include "storage/trace.h"

int32_t JkImageCreate(const uint8_t* data, uint32_t size, int32_t* error) {
  int32_t status = -2;
  int32_t handle = kJkInvalidHandle;
  JkSurface* image = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  // The probe answers at most 2^31 - 1 for either size, 0 without a sound IHDR.
  if (png_probe(data, size, &width, &height) && width != 0 && height != 0) {
    switch (jkGfxSurface_create(static_cast<int32_t>(width), static_cast<int32_t>(height), &image)) {
      case SurfaceStatus::Done:
        image->transparent = 1;
        switch (devCodec_decodePng(data, size, image)) {
          case kDevCodecOk:
            status = 0;
            handle = jkSurface_toHandle(image);
            break;
          case kDevCodecNoMemory:
            status = -1;
            jkGfxSurface_destroy(image);
            break;
          default:
            jkGfxSurface_destroy(image);
            break;
        }
        break;
      case SurfaceStatus::NoRecord:
        TRACE_REPORT(kTraceLevelError, "JkImageCreate structure Fail (OutOfMemory)");
        status = -1;
        break;
      default:
        TRACE_REPORT(kTraceLevelError, "JkImageCreate buffer Fail (OutOfMemory)");
        status = -1;
        break;
    }
  }
  if (error != nullptr)
    *error = status;
  return handle;
}

int32_t JkImageCreateFromARGB(const uint32_t* argb, int32_t width, int32_t height,
                              uint32_t processAlpha, int32_t* error) {
  int32_t status = 0;
  int32_t handle = kJkInvalidHandle;
  JkSurface* image = nullptr;
  if (argb == nullptr || width < 1 || height < 1) {
    status = -2;
  } else {
    switch (jkGfxSurface_create(width, height, &image)) {
      case SurfaceStatus::Done:
        image->transparent = processAlpha;
        kjava_gfx_writeARGB(image, nullptr, 0, 0, argb, width, height, processAlpha);
        image->writable = 0;
        handle = jkSurface_toHandle(image);
        break;
      case SurfaceStatus::NoRecord:
        TRACE_REPORT(kTraceLevelError, "JkImageCreateFromARGB structure Fail (OutOfMemory)");
        status = -1;
        break;
      default:
        TRACE_REPORT(kTraceLevelError, "JkImageCreateFromARGB buffer Fail (OutOfMemory)");
        status = -1;
        break;
    }
  }
  if (error != nullptr)
    *error = status;
  return handle;
}

void JkImageDestroy(int32_t handle) { jkGfxSurface_destroy(jkSurface_fromHandle(handle)); }

int32_t JkImageGetWidth(int32_t handle) { return jkGfxSurface_width(handle); }

int32_t JkImageGetHeight(int32_t handle) { return jkGfxSurface_height(handle); }

void JkImageGetARGB(int32_t handle, uint32_t* out, int32_t count, int32_t scanLength,
                    const int32_t rect[4]) {
  if (jkGfxSurface_readARGB(jkSurface_fromHandle(handle), out, count, scanLength, rect, false) ==
      SurfaceStatus::NoBuffer)
    TRACE_REPORT(kTraceLevelError, "JkOffScreenGetARGB Fail (OutOfMemory)");
}
