// The frame of the class-file fuzz targets. An input is a class name, a NUL
// byte and the class file. The core is started once without a class image
// (from the library archive) and snapshotted; every input starts from the
// snapshot, interns the name, copies the class file into a byte array and
// loads it, refusals cleared. The target's step then works on the loaded
// class (a handle holding 0 when there is none). The boot, the load and the
// step each run under an exit point, so a fatal VM error ends only that
// input. Afterwards the target's check and the heap walk (from its start
// exactly to the allocation top) must hold, else the run aborts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/core/model/object_layout.h"

struct VsClassFileFuzzTarget {
  const char* library;                // the system library's archive
  void (*beforeBoot)();               // flags the start needs; may be null
  bool (*afterBoot)();                // false fails the start; may be null
  void (*step)(VmRef* cls);           // on the loaded class; may be null
  bool (*check)();                    // after each input; may be null
};

void vsClassFileFuzz_run(const VsClassFileFuzzTarget& target, const uint8_t* data, size_t size);
