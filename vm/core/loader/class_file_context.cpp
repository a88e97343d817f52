// Parse contexts and their readers (see class_file_context.h).
#include "vm/core/loader/class_file_context.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/handles.h"

VS_VMBSS(VmPtr<ClassFileContext>) vsClassFile_contexts{};

namespace {

VmWord firstByte(const ClassFileContext* c) { return c->classFile.object + kArrayElementsOffset; }

bool available(ClassFileContext* c, uint32_t n) {
  if (vsClassFile_remaining(c) >= n) return true;
  vsException_raiseWithCode(kVmErrorClass, kErrTruncated);
  return false;
}

const uint8_t* at(const ClassFileContext* c) { return vsWord_toPointer<const uint8_t>(c->position); }

}  // namespace

void vsClassFile_open(ClassFileContext* context, VmRef classFile, VmRef* stack, ClassLookup* lookup,
                      const char* source) {
  vsHandle_push(&context->classFile, classFile);
  context->position = firstByte(context);
  context->end = context->position + static_cast<uint32_t>(vsRef_as<ByteArray>(classFile)->length);
  context->stack = stack;
  context->lookup = lookup;
  context->enclosing = vsClassFile_contexts;
  std::memset(context->source, 0, sizeof context->source);
  if (source != nullptr) std::strncpy(context->source, source, sizeof context->source - 1);
  vsClassFile_contexts = context;
}

void vsClassFile_close(ClassFileContext* context) {
  vsClassFile_contexts = context->enclosing;
  vsHandle_close(&context->classFile);
}

uint8_t vsClassFile_readU1(ClassFileContext* context) {
  if (!available(context, 1)) return 0;
  const uint8_t v = at(context)[0];
  context->position += 1;
  return v;
}

uint16_t vsClassFile_readU2(ClassFileContext* context) {
  if (!available(context, 2)) return 0;
  const uint8_t* p = at(context);
  context->position += 2;
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t vsClassFile_readU4(ClassFileContext* context) {
  if (!available(context, 4)) return 0;
  const uint8_t* p = at(context);
  context->position += 4;
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

VmWord vsClassFile_skip(ClassFileContext* context, uint32_t n) {
  const VmWord old = context->position;
  if (available(context, n)) context->position += n;
  return old;
}

uint32_t vsClassFile_remaining(const ClassFileContext* context) { return context->end - context->position; }

uint32_t vsClassFile_offset(const ClassFileContext* context) { return context->position - firstByte(context); }

void vsClassFile_seek(ClassFileContext* context, uint32_t offset) { context->position = firstByte(context) + offset; }

void vsClassFile_relocateContexts() {
  for (ClassFileContext* c = vsClassFile_contexts.get(); c != nullptr; c = c->enclosing.get()) {
    c->position -= firstByte(c);
    c->end -= firstByte(c);
  }
}

void vsClassFile_restoreContexts() {
  for (ClassFileContext* c = vsClassFile_contexts.get(); c != nullptr; c = c->enclosing.get()) {
    c->position += firstByte(c);
    c->end += firstByte(c);
  }
}
