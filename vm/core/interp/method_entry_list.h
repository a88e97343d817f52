// The method entry kinds, in table order: the one list that the entry
// records (method_entries.S) and the C++ side (method_entries.h) are built
// from. Preprocessor definitions only, so the assembler can read it.
//
// X(symbol, kind): the entry point's symbol and the kind's C++ name.
#pragma once

#define VS_METHOD_ENTRIES(X)                                          \
  X(vsInterpreter_entryGeneral, General)                              \
  X(vsInterpreter_entryNoExtraLocals, NoExtraLocals)                  \
  X(vsInterpreter_entryExtraLocals1, ExtraLocals1)                    \
  X(vsInterpreter_entryExtraLocals2, ExtraLocals2)                    \
  X(vsInterpreter_entryExtraLocals3, ExtraLocals3)                    \
  X(vsInterpreter_entryExtraLocals4, ExtraLocals4)                    \
  X(vsInterpreter_accessorByte, AccessorByte)                         \
  X(vsInterpreter_accessorShort, AccessorShort)                       \
  X(vsInterpreter_accessorChar, AccessorChar)                         \
  X(vsInterpreter_accessorWord, AccessorWord)                         \
  X(vsInterpreter_accessorLong, AccessorLong)                         \
  X(vsInterpreter_intrinsicMathSin, IntrinsicMathSin)                 \
  X(vsInterpreter_intrinsicMathCos, IntrinsicMathCos)                 \
  X(vsInterpreter_intrinsicMathTan, IntrinsicMathTan)                 \
  X(vsInterpreter_intrinsicMathSqrt, IntrinsicMathSqrt)               \
  X(vsInterpreter_intrinsicMathCeil, IntrinsicMathCeil)               \
  X(vsInterpreter_intrinsicMathFloor, IntrinsicMathFloor)             \
  X(vsInterpreter_intrinsicBitsDoubleToLongBits, IntrinsicBitsDoubleToLongBits) \
  X(vsInterpreter_intrinsicBitsLongBitsToDouble, IntrinsicBitsLongBitsToDouble) \
  X(vsInterpreter_intrinsicBitsFloatToIntBits, IntrinsicBitsFloatToIntBits)     \
  X(vsInterpreter_intrinsicBitsIntBitsToFloat, IntrinsicBitsIntBitsToFloat)     \
  X(vsInterpreter_intrinsicIndexOf, IntrinsicIndexOf)                 \
  X(vsInterpreter_intrinsicCompareTo, IntrinsicCompareTo)             \
  X(vsInterpreter_intrinsicArraycopy, IntrinsicArraycopy)             \
  X(vsInterpreter_entryNativeDirectVoid, NativeDirectVoid)            \
  X(vsInterpreter_entryNativeDirectWord, NativeDirectWord)            \
  X(vsInterpreter_entryNativeDirectReference, NativeDirectReference)

// A record: trap filler, then the entry point at byte 20. An entry word
// holds the entry address - 20, that is, the record's first byte.
#define VS_METHOD_ENTRY_RECORD_BYTES 32
#define VS_METHOD_ENTRY_TRAP_BYTES 20
