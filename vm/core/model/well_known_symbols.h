// The well-known symbols: 57 slots holding the symbols that the VM compares
// by identity. Each slot is a fixed word, so its address serves as a GC
// handle. The class image carries the same 57 words in this order; without
// an image the start fills them (names first, the encoded types once the
// class tables exist). The collector visits every slot, like the roots.
//
// VS_WELL_KNOWN_SYMBOLS is the one definition of the slot order. Each entry
// is (slot, form, text):
//   Name       the text itself (attribute and member names, class names)
//   FieldType  the encoded type of a field descriptor (a one-byte primitive
//              letter, or two bytes of a class id)
//   Signature  the encoded form of a method descriptor
#pragma once

#include <cstdint>

#include "ce/substrate/vm_sections.h"
#include "vm/core/model/object_layout.h"

#define VS_WELL_KNOWN_SYMBOLS(X)                                                     \
  /* names the class-file parser compares */                                         \
  X(Code, Name, "Code")                                                              \
  X(Exceptions, Name, "Exceptions")                                                  \
  X(StackMap, Name, "StackMap")                                                      \
  X(ConstantValue, Name, "ConstantValue")                                            \
  X(Synthetic, Name, "Synthetic")                                                    \
  X(SourceFile, Name, "SourceFile")                                                  \
  X(InnerClasses, Name, "InnerClasses")                                              \
  X(Init, Name, "<init>")                                                            \
  X(Clinit, Name, "<clinit>")                                                        \
  X(Finalize, Name, "finalize")                                                      \
  X(JavaLangObject, Name, "java/lang/Object")                                        \
  /* methods the VM calls by name */                                                 \
  X(Main, Name, "main")                                                              \
  X(Run, Name, "run")                                                                \
  X(Initialize, Name, "initialize")                                                  \
  X(Unknown, Name, "<unknown>")                                                      \
  /* classes of the persistent roots that the core names */                          \
  X(JavaLangClass, Name, "java/lang/Class")                                          \
  X(JavaLangString, Name, "java/lang/String")                                        \
  X(JavaLangThrowable, Name, "java/lang/Throwable")                                  \
  X(JavaLangThread, Name, "java/lang/Thread")                                        \
  X(JavaLangSystem, Name, "java/lang/System")                                        \
  X(JavaLangMath, Name, "java/lang/Math")                                            \
  X(I18nHelper, Name, "com/sun/cldc/i18n/Helper")                                    \
  /* exception classes the VM throws by name */                                      \
  X(Error, Name, "java/lang/Error")                                                  \
  X(NoClassDefFoundError, Name, "java/lang/NoClassDefFoundError")                    \
  X(ClassNotFoundException, Name, "java/lang/ClassNotFoundException")                \
  X(OutOfMemoryError, Name, "java/lang/OutOfMemoryError")                            \
  X(NullPointerException, Name, "java/lang/NullPointerException")                    \
  X(ArrayIndexOutOfBoundsException, Name, "java/lang/ArrayIndexOutOfBoundsException") \
  X(ArrayStoreException, Name, "java/lang/ArrayStoreException")                      \
  X(ArithmeticException, Name, "java/lang/ArithmeticException")                      \
  X(ClassCastException, Name, "java/lang/ClassCastException")                        \
  X(NegativeArraySizeException, Name, "java/lang/NegativeArraySizeException")        \
  X(IllegalAccessException, Name, "java/lang/IllegalAccessException")                \
  X(IllegalArgumentException, Name, "java/lang/IllegalArgumentException")            \
  X(IllegalMonitorStateException, Name, "java/lang/IllegalMonitorStateException")    \
  X(IllegalThreadStateException, Name, "java/lang/IllegalThreadStateException")      \
  X(IllegalStateException, Name, "java/lang/IllegalStateException")                  \
  X(InstantiationException, Name, "java/lang/InstantiationException")                \
  X(InterruptedException, Name, "java/lang/InterruptedException")                    \
  X(SecurityException, Name, "java/lang/SecurityException")                          \
  X(IndexOutOfBoundsException, Name, "java/lang/IndexOutOfBoundsException")          \
  X(StringIndexOutOfBoundsException, Name, "java/lang/StringIndexOutOfBoundsException") \
  X(RuntimeException, Name, "java/lang/RuntimeException")                            \
  X(IOException, Name, "java/io/IOException")                                        \
  X(ConnectionNotFoundException, Name, "javax/microedition/io/ConnectionNotFoundException") \
  /* the primitive field types, in letter order */                                   \
  X(TypeByte, FieldType, "B")                                                        \
  X(TypeChar, FieldType, "C")                                                        \
  X(TypeDouble, FieldType, "D")                                                      \
  X(TypeFloat, FieldType, "F")                                                       \
  X(TypeInt, FieldType, "I")                                                         \
  X(TypeLong, FieldType, "J")                                                        \
  X(TypeShort, FieldType, "S")                                                       \
  X(TypeBoolean, FieldType, "Z")                                                     \
  /* encoded types the VM needs */                                                   \
  X(TypeString, FieldType, "Ljava/lang/String;")                                     \
  X(SignatureVoid, Signature, "()V")                                                 \
  X(SignatureString, Signature, "(Ljava/lang/String;)V")                             \
  X(SignatureMain, Signature, "([Ljava/lang/String;)V")

enum class WellKnownForm : uint8_t { Name, FieldType, Signature };

enum WellKnown : uint8_t {
#define VS_WELL_KNOWN_SLOT(slot, form, text) kSym##slot,
  VS_WELL_KNOWN_SYMBOLS(VS_WELL_KNOWN_SLOT)
#undef VS_WELL_KNOWN_SLOT
      kWellKnownCount
};

static_assert(kWellKnownCount == 57, "the class image carries 57 well-known symbols");
static_assert(kSymTypeBoolean - kSymTypeByte == 7);

struct WellKnownDefinition {
  WellKnownForm form;
  const char* text;
};

const WellKnownDefinition& vsWellKnown_definition(WellKnown slot);

extern VmVariable<VmRef[kWellKnownCount]> vsWellKnownSymbols;

// The slot as a handle, and its symbol.
inline VmRef* vsWellKnown(WellKnown slot) { return &vsWellKnownSymbols[slot]; }
inline VmRef vsWellKnown_symbol(WellKnown slot) { return vsWellKnownSymbols[slot]; }

// The slot whose Name text equals `text`, or kWellKnownCount.
WellKnown vsWellKnown_findName(const char* text);

// The symbol of a primitive letter of a field descriptor (B C D F I J S
// Z), or 0 for any other character.
VmRef vsWellKnown_primitiveType(uint8_t letter);

// Fills the Name slots and the one-letter FieldType slots (the letters get
// the field-type header): 1, or 0 with an exception pending. Needs the
// symbol table and the symbol headers.
int32_t vsWellKnown_createNames();
// Fills the encoded slots through the descriptor parser (classes they name
// become stubs until loaded): 1, or 0 with an exception pending. Needs the
// class tables.
int32_t vsWellKnown_createEncoded();
