// Fuzz targets whose bodies run on a low stack.
//
// libFuzzer calls LLVMFuzzerTestOneInput on the main thread, whose stack lies
// above 4 GiB; VM code keeps handles on its native stack and turns their
// addresses into words. VS_FUZZ_TARGET(body) defines the entry point so that
// each input is handed to one persistent low-stack thread, and waits for it.
//
//   static void body(const uint8_t* data, size_t size) { ... }
//   VS_FUZZ_TARGET(body)
#pragma once

#include <cstddef>
#include <cstdint>

using VsFuzzBody = void (*)(const uint8_t* data, size_t size);

void vsFuzz_runOnLowStack(VsFuzzBody body, const uint8_t* data, size_t size);

#define VS_FUZZ_TARGET(body)                                                  \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {   \
    vsFuzz_runOnLowStack(body, data, size);                                   \
    return 0;                                                                 \
  }
