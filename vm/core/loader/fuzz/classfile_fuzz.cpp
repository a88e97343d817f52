// Loads each input as a class file into a core started without a class
// image. An input is a class name, a NUL byte and the class file. The core
// is started once and snapshotted; every input starts from the snapshot.
// Hostile class files may fail anywhere, but only with a Java error (or a
// fatal VM error through the exit point), never a crash or a sanitizer
// report; afterwards the heap must still walk by its size rule from its
// start exactly to the allocation top.
#include "tests/core/class_file_fuzz.h"
#include "tests/support/fuzz_main.h"

namespace {

void body(const uint8_t* data, size_t size) {
  static const VsClassFileFuzzTarget target = {VS_SYSTEM_LIBRARY, nullptr, nullptr, nullptr, nullptr};
  vsClassFileFuzz_run(target, data, size);
}

}  // namespace

VS_FUZZ_TARGET(body)
