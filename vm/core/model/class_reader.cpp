// Class-file reader (see class_reader.h).
#include "vm/core/model/class_reader.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"

uint16_t vsClassReader_readU16(ClassReader* reader) {
  if (reader->position > reader->end || reader->end - reader->position < 2) {
    vsException_raiseWithCode(kVmErrorClass, kErrTruncated);
    return 0;
  }
  const uint8_t* p = vsWord_toPointer<uint8_t>(reader->position);
  reader->position += 2;
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
