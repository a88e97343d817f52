// The class-path decoder: the policies of the one decoder for Java arrays.
#include "vm/core/loader/inflater.h"

#include "vm/core/loader/inflater_core.h"
#include "vm/core/loader/zip_stream.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/model/handles.h"

namespace {

uint8_t* bytesOf(VmRef array) {
  return reinterpret_cast<uint8_t*>(vsWord_toPointer<ByteArray>(array)->elements);
}

class ArrayOutput {
 public:
  explicit ArrayOutput(const VmRef* array) : array_(array) {}
  uint8_t* refresh() { return bytesOf(*array_); }

 private:
  const VmRef* array_;
};

// Tables as short arrays in three handles; a released table is left to the
// collector.
class HeapTables {
 public:
  explicit HeapTables(VmHandle* handles) : handles_(handles) {}
  uint16_t* allocate(VsInflaterTable which, uint32_t words) {
    VmRef& slot = handles_[static_cast<int>(which)].object;
    slot = 0;
    const VmRef t = vsJavaHeap_newShortArray(static_cast<int32_t>(words));
    if (t == 0) return nullptr;
    slot = t;
    return this->words(which);
  }
  uint16_t* words(VsInflaterTable which) {
    return reinterpret_cast<uint16_t*>(
        vsWord_toPointer<ShortArray>(handles_[static_cast<int>(which)].object)->elements);
  }
  void release(VsInflaterTable which) { handles_[static_cast<int>(which)].object = 0; }

 private:
  VmHandle* handles_;
};

}  // namespace

int32_t vsInflater_inflate(VmRef* zipStream, uint32_t inputLength, VmRef* output,
                           uint32_t outputLength) {
  if (inputLength > static_cast<uint32_t>(kMaxArrayElements) - vs_inflater::kReadAhead ||
      static_cast<uint32_t>(vsWord_toPointer<ByteArray>(*output)->length) < outputLength)
    return 0;
  VmHandle input;
  VmHandle tables[3];
  vsHandle_pushEmpty(&input);
  for (VmHandle& t : tables) vsHandle_pushEmpty(&t);
  int32_t result = 0;
  input.object = vsJavaHeap_newByteArray(static_cast<int32_t>(inputLength + vs_inflater::kReadAhead));
  if (input.object != 0 &&
      vsZipStream_read(zipStream, bytesOf(input.object), inputLength, false) == inputLength) {
    // The input copy: inputLength bytes and the zero bytes of read-ahead.
    VsInflaterBufferInput in([&input] { return static_cast<const uint8_t*>(bytesOf(input.object)); },
                             inputLength);
    ArrayOutput out(output);
    HeapTables heapTables(tables);
    VsInflaterCore core(in, out, heapTables, outputLength);
    result = core.inflate();
  }
  vsHandle_close(&input);
  return result;
}
