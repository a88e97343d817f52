// Fields by name and signature, and the access check of a field.
//
// A field descriptor (vsFieldDesc) names one entry of a class's field table:
// the class whose table holds it, the index, and the entry's flags, name and
// signature indexes and offset. The lookup searches the class, then each
// interface of its (complete) interface list, then the superclass and so on
// up the chain; the first field with the name and signature symbols wins,
// and the descriptor's class becomes the class it was found in.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

struct vsFieldDesc {
  VmRef cls;
  int32_t index;  // -1 before a match
  uint32_t accessFlags;
  uint32_t nameIndex;
  uint32_t signatureIndex;
  uint32_t offset;
};

// Fills the descriptor with entry `index` of the class's field table.
void vsFieldDesc_init(vsFieldDesc* desc, const ClassRecord* cls, int32_t index);
bool vsFieldDesc_matches(const vsFieldDesc* desc, VmRef name, VmRef signature);
VmRef vsFieldDesc_name(const vsFieldDesc* desc);
VmRef vsFieldDesc_signature(const vsFieldDesc* desc);
int32_t vsFieldDesc_basicType(const vsFieldDesc* desc);

// True and the descriptor filled when the field is found.
bool vsField_find(vsFieldDesc* desc, const ClassRecord* cls, VmRef name, VmRef signature);

// Public fields and fields of the accessing class pass; otherwise a
// non-private field of the same package passes, and a protected field
// passes when the accessing class is a subclass of the field's class and
// the object's class is the accessing class or a subclass or superclass of
// it. Anything else raises java/lang/Error with the code and gives false.
bool vsField_checkAccess(const vsFieldDesc* desc, const ClassRecord* accessing, const ClassRecord* objectClass,
                         int32_t errorCode);
