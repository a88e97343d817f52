// The steps of the class-file parser and the state they share during one
// call of vsClassFile_parse (class_file_parser.h). Internal to the loader.
#pragma once

#include <cstdint>

#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_file_context.h"
#include "vm/core/model/object_layout.h"

// Raises java/lang/Error with the code; returns false (or 0) for chaining.
bool vsClassFile_fail(int32_t code);

// What the steps of one parse share. The handles are opened in this order
// by vsClassFile_openBuild and closed together by vsClassFile_closeBuild.
struct ClassBuild {
  ClassFileContext* context;
  VmHandle record;      // the loading record (top of the stack)
  VmHandle name;        // the class name symbol
  VmHandle pool;
  VmHandle super;       // the superclass, or null
  VmHandle interfaces;  // the complete interface list (short[] of ids)
  VmHandle fields;      // the field table (short[], five values per field)
  VmHandle methods;     // the method array (Object[])
  VmHandle cls;         // the class once created
  uint32_t accessFlags;
  uint32_t instanceSize;
  uint32_t staticBytes;
  uint32_t instanceMapBytes;  // with the superclass's part and the end byte
  uint32_t staticMapBytes;    // with the end byte
  uint32_t vtableLength;
  uint32_t itableWords;
  uint32_t itableCount;
  bool hasNatives;
};

void vsClassFile_openBuild(ClassBuild* build, ClassFileContext* context);
void vsClassFile_closeBuild(ClassBuild* build);

// The text of a UTF-8 entry still in bytes or interned as a name (a string
// constant of the same text may have come first); null bytes for an encoded
// type or signature, whose kind then tells what it is. False when the index
// is not a UTF-8 entry. The bytes are valid until the next allocation.
bool vsClassFile_utf8Text(const ConstantPool* pool, uint32_t index, const uint8_t** bytes, uint32_t* length);
// The name of a UTF-8 entry as a symbol (converted in place); 0 with VM
// error `code` pending when the index is not a UTF-8 entry.
VmRef vsClassFile_utf8Symbol(ClassBuild* build, uint32_t index, int32_t code);
// The name symbol of a class entry (tag 13), or 0 when the index is none.
VmRef vsClassFile_className(const ConstantPool* pool, uint32_t index);

// Header: magic, version, constant pool, flags, this class, superclass and
// interfaces; pushes missing classes. 1 when all are loaded, 0 when names
// were pushed; -1 with an exception pending.
int32_t vsClassFile_parseHeader(ClassBuild* build);
// The constant pool: read, then checked. 1, or 0 with an exception pending.
int32_t vsClassFile_parseConstantPool(ClassBuild* build);
int32_t vsClassFile_readConstants(ClassBuild* build);
int32_t vsClassFile_checkConstants(ClassBuild* build);

int32_t vsClassFile_collectInterfaces(ClassBuild* build);
int32_t vsClassFile_parseFields(ClassBuild* build);
int32_t vsClassFile_parseMethods(ClassBuild* build);
int32_t vsClassFile_layoutFields(ClassBuild* build);
// Copies the reference maps into the created class.
void vsClassFile_writeMaps(ClassBuild* build);
int32_t vsClassFile_parseClassAttributes(ClassBuild* build);
int32_t vsClassFile_checkInterfaces(ClassBuild* build);
void vsClassFile_bindNatives(ClassBuild* build);
