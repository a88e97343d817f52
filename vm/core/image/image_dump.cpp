// The dump of a loaded class image (see image_dump.h).
#include "vm/core/image/image_dump.h"

#include "vm/core/image/image_walk.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/symbols.h"
#include "vm/core/startup/type_text.h"

namespace {

void printSymbol(const VsOutputStream* out, const VmSymbol* symbol) {
  if (symbol == nullptr) {
    vsOutputStream_print(out, "-");
    return;
  }
  for (uint32_t i = 0; i < symbol->length; ++i) {
    const uint8_t c = symbol->bytes[i];
    if (c >= 0x20 && c < 0x7f && c != '\\')
      vsOutputStream_print(out, "%c", c);
    else
      vsOutputStream_print(out, "\\x%02x", c);
  }
}

const VmSymbol* poolSymbol(const ConstantPool* pool, uint16_t index) {
  return index < pool->count ? vsRef_as<VmSymbol>(pool->entries[index]) : nullptr;
}

void printCode(const VsOutputStream* out, const MethodRecord* m) {
  const VmRef method = vsRef_of(m);
  uint32_t bci = 0;
  while (bci < m->codeLength) {
    const uint8_t op = m->code[bci];
    int32_t length = vsBytecodes_lengthAt(&method, bci);
    if (length <= 0 || length == kLengthNotAllowed || bci + static_cast<uint32_t>(length) > m->codeLength) {
      vsOutputStream_print(out, " %u:?", op);
      return;
    }
    vsOutputStream_print(out, " %u", op);
    // invoke_native: the result type, not the address.
    const int32_t shown = op == kOpInvokeNative ? 2 : length;
    if (shown > 1) vsOutputStream_print(out, ":");
    for (int32_t i = 1; i < shown; ++i) vsOutputStream_print(out, "%02x", m->code[bci + i]);
    bci += static_cast<uint32_t>(length);
  }
}

void printMethod(const VsOutputStream* out, const MethodRecord* m) {
  const ConstantPool* pool = vsMethod_constantPool(m);
  vsOutputStream_print(out, "  method ");
  printSymbol(out, poolSymbol(pool, m->nameIndex));
  vsTypeText_printSignature(out, vsRef_of(poolSymbol(pool, m->signatureIndex)));
  vsOutputStream_print(out, " flags %04x entry ", m->accessFlags);
  const VmWord entry = *m->entryWord.get();
  const int32_t kind = vsMethodEntry_kindOfWord(entry);
  if (kind >= 0)
    vsOutputStream_print(out, "%s", vsMethodEntry_name(static_cast<MethodEntryKind>(kind)));
  else
    vsOutputStream_print(out, "word %08x", entry);
  vsOutputStream_print(out, " code");
  printCode(out, m);
  vsOutputStream_print(out, "\n");
  const ShortArray* handlers = vsRef_as<ShortArray>(vsMethod_exceptionTable(m));
  for (int32_t i = 0; i + 3 < handlers->length; i += 4)
    vsOutputStream_print(out, "    handler %u %u %u %u\n", static_cast<uint16_t>(handlers->elements[i]),
                         static_cast<uint16_t>(handlers->elements[i + 1]),
                         static_cast<uint16_t>(handlers->elements[i + 2]),
                         static_cast<uint16_t>(handlers->elements[i + 3]));
}

const ObjectArray* methodsOf(const ClassRecord* cls) {
  if (cls->instanceKind < 0 || cls->classInfo->methods == 0) return nullptr;
  return vsRef_as<ObjectArray>(cls->classInfo->methods);
}

void printFields(const VsOutputStream* out, const ClassRecord* cls) {
  const VmRef fields = vsClass_fields(cls);
  if (fields == 0) return;
  const ConstantPool* pool = vsClass_constantPool(cls);
  const ShortArray* table = vsRef_as<ShortArray>(fields);
  const FieldEntry* entries = reinterpret_cast<const FieldEntry*>(table->elements);
  for (int32_t i = 0; i < table->length / 5; ++i) {
    vsOutputStream_print(out, "  field ");
    printSymbol(out, poolSymbol(pool, entries[i].nameIndex));
    vsOutputStream_print(out, " flags %04x offset %u\n", entries[i].accessFlags, entries[i].offset);
  }
}

void printClass(const VsOutputStream* out, uint32_t id, const ClassRecord* cls) {
  vsOutputStream_print(out, "class %u ", id);
  vsTypeText_printClassName(out, cls);
  vsOutputStream_print(out, " super ");
  if (cls->superClass.get() != nullptr)
    vsTypeText_printClassName(out, cls->superClass.get());
  else
    vsOutputStream_print(out, "-");
  if (cls->instanceKind >= 0)
    vsOutputStream_print(out, " size %d", cls->instanceKind);
  else
    vsOutputStream_print(out, " size kind %d", cls->instanceKind);
  if (const ClassMirror* mirror = cls->mirror.get())
    vsOutputStream_print(out, " mirror %02x", mirror->status);
  else
    vsOutputStream_print(out, " mirror -");
  vsOutputStream_print(out, " flags %08x\n", cls->classInfo->accessFlags);
  if (const ObjectArray* methods = methodsOf(cls))
    for (int32_t i = 0; i < methods->length; ++i)
      if (methods->elements[i] != 0) printMethod(out, vsRef_as<MethodRecord>(methods->elements[i]));
  if (cls->instanceKind >= 0) printFields(out, cls);
}

}  // namespace

void vsImage_dump(const ImageDescriptor* image, const VsOutputStream* out) {
  const uint32_t classes = vsImage_state.classIdCount;
  uint32_t methods = 0;
  for (uint32_t id = 0; id < classes; ++id)
    if (const ClassRecord* cls = vsClass_byId(id))
      if (const ObjectArray* m = methodsOf(cls)) methods += static_cast<uint32_t>(m->length);
  const RomSymbolTable* symbols = vsWord_toPointer<RomSymbolTable>(image->symbolHash);
  const uint32_t symbolCount = (symbols->starts[symbols->bucketCount] - symbols->starts[0]) / 4;
  vsOutputStream_printLine(out, "romizer version %u", vsWord_toPointer<const VmWord>(image->header)[2]);
  vsOutputStream_printLine(out,
                           "classes %u, methods %u, strings %u, symbols %u, read-only %u, heap part %u, writable %u, "
                           "entries %u",
                           classes, methods, image->stringCount, symbolCount, image->readOnlySize, image->heapSize,
                           image->writableSize, image->entrySize / 4);
  for (uint32_t id = 0; id < classes; ++id)
    if (const ClassRecord* cls = vsClass_byId(id)) printClass(out, id, cls);
}
