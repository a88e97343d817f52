// Walking encoded method signatures (see descriptors.h for the encoding).
//
// The iterator visits the receiver first (type 12) unless the method is
// static, then each parameter; the step after the last parameter reads the
// result type (void is 14) and the iterator is then at its end. A class id
// item is an object (12), or an array (13) when its class is an array class
// and the iterator was not asked for object types only.
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

struct SignatureIterator {
  const VmRef* signature;  // handle of the signature symbol
  int32_t parameterCount;
  uint32_t position;       // byte of the current parameter item
  int32_t type;            // basic type of the current item
  int32_t classId;         // class id of a class item, else -1
  int32_t objectTypesOnly;
  int32_t index;           // 0 the receiver, 1 .. count the parameters
  uint32_t itemBytes;      // bytes of the current item (0 for the receiver)
};

void vsSignatureIterator_init(SignatureIterator* it, const VmRef* signature, bool isStatic,
                              bool objectTypesOnly);
void vsSignatureIterator_next(SignatureIterator* it);
bool vsSignatureIterator_atEnd(const SignatureIterator* it);
// The name of the current item's class (0 for a primitive item).
VmRef vsSignatureIterator_className(const SignatureIterator* it);

// 2 for double and long, 0 for void, else 1.
int32_t vsSignature_itemWords(int32_t type);
int32_t vsSignature_parameterCount(VmRef signature);
// The sum of the item words of all parameters, and 1 for a receiver.
int32_t vsSignature_parameterWords(VmRef signature, bool isStatic);
// The basic type of the result.
int32_t vsSignature_basicType(VmRef signature, bool objectTypesOnly);
// The name of the result type's class (0 for a primitive result).
VmRef vsSignature_returnClassName(VmRef signature);
