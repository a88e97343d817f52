// Printing exceptions and Java strings (see stack_trace.h).
#include "vm/core/interp/stack_trace.h"

#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/startup/printf.h"

namespace {

constexpr int32_t kLimitedLength = 100;

// Collects text and hands it to the stream in pieces.
class LineBuffer {
 public:
  explicit LineBuffer(const VsOutputStream* stream) : stream_(stream) {}
  void put(char c) {
    if (length_ == kCapacity) flush();
    text_[length_++] = c;
  }
  void put(const char* text) {
    while (*text != '\0') put(*text++);
  }
  void flush() {
    if (length_ == 0) return;
    text_[length_] = '\0';
    stream_->printString(text_);
    length_ = 0;
  }

 private:
  static constexpr int32_t kCapacity = 127;
  const VsOutputStream* stream_;
  char text_[kCapacity + 1];
  int32_t length_ = 0;
};

void putEscaped(LineBuffer& out, uint16_t c) {
  if (c == '"') {
    out.put("\\\"");
  } else if (c == '\n') {
    out.put("\\n");
  } else if (c == '\t') {
    out.put("\\t");
  } else if (c >= 0x20 && c < 0x7f) {
    out.put(static_cast<char>(c));
  } else {
    out.put("\\u");
    for (int shift = 12; shift >= 0; shift -= 4) out.put(kVsPrintf_lowerDigits[(c >> shift) & 0xf]);
  }
}

// The symbol's bytes, with '/' shown as '.' when asked.
void putSymbol(LineBuffer& out, const VmSymbol* symbol, bool dots) {
  for (uint32_t i = 0; i < symbol->length; ++i) {
    const char c = static_cast<char>(symbol->bytes[i]);
    out.put(dots && c == '/' ? '.' : c);
  }
}

bool isArrayOfKind(VmRef object, int32_t kind) { return object != 0 && vsObject_kind(object) == kind; }

// The method's name: a UTF-8 entry of its constant pool, or null.
const VmSymbol* methodName(const MethodRecord* method) {
  const ConstantPool* pool = vsMethod_constantPool(method);
  if (pool == nullptr || pool->tags == 0 || method->nameIndex >= pool->count) return nullptr;
  if (vsRef_as<ByteArray>(pool->tags)->elements[method->nameIndex] != kTagUtf8) return nullptr;
  return vsRef_as<VmSymbol>(pool->entries[method->nameIndex]);
}

// Prints the recorded frames; false when the record is incomplete. No
// backtrace at all is a throwable that recorded no frames.
bool printFrames(LineBuffer& out, VmRef backtrace) {
  if (backtrace == 0) return true;
  if (!isArrayOfKind(backtrace, kKindObjectArray) || vsRef_as<ObjectArray>(backtrace)->length < 2) return false;
  const VmRef methods = vsRef_as<ObjectArray>(backtrace)->elements[0];
  const VmRef bcis = vsRef_as<ObjectArray>(backtrace)->elements[1];
  if (!isArrayOfKind(methods, kKindObjectArray) || !isArrayOfKind(bcis, kKindIntArray)) return false;
  const int32_t methodCount = vsRef_as<ObjectArray>(methods)->length;
  const int32_t bciCount = vsRef_as<IntArray>(bcis)->length;
  const int32_t n = methodCount < bciCount ? methodCount : bciCount;
  for (int32_t i = 0; i < n; ++i) {
    const VmRef m = vsRef_as<ObjectArray>(methods)->elements[i];
    if (m == 0) return false;
    const MethodRecord* method = vsRef_as<MethodRecord>(m);
    const ClassRecord* holder = vsMethod_holderClass(method);
    const VmSymbol* holderName =
        holder != nullptr && holder->classInfo.raw != 0 ? vsClass_name(holder) : nullptr;
    const VmSymbol* name = methodName(method);
    if (holderName == nullptr || name == nullptr) return false;
    out.put(" - ");
    putSymbol(out, holderName, false);
    out.put('.');
    putSymbol(out, name, false);
    char bci[32];
    vsPrintf_snprintf(bci, sizeof bci, "(), bci=%d\n", vsRef_as<IntArray>(bcis)->elements[i]);
    out.put(bci);
  }
  return true;
}

}  // namespace

const VsOutputStream* vsStream_errorStream() { return vsOutputStream_log(); }

void vsStream_printJavaString(const VsOutputStream* stream, VmRef string, int32_t limit) {
  if (string == 0) return;
  const StringObject* s = vsRef_as<StringObject>(string);
  if (s->value == 0) return;
  const CharArray* chars = vsRef_as<CharArray>(s->value);
  // A window outside its array prints nothing rather than reading past it.
  if (s->offset < 0 || s->count < 0 || s->count > chars->length - s->offset) return;
  const bool cut = limit >= 0 && s->count > kLimitedLength;
  const int32_t n = cut ? kLimitedLength : s->count;
  LineBuffer out(stream);
  for (int32_t i = 0; i < n; ++i) putEscaped(out, chars->elements[s->offset + i]);
  if (cut) out.put("...");
  out.flush();
}

void vsException_printStackTrace(VmRef throwable) {
  const VsOutputStream* stream = vsStream_errorStream();
  LineBuffer out(stream);
  const ClassRecord* cls = throwable != 0 ? vsObject_class(throwable) : nullptr;
  const VmSymbol* className = cls != nullptr && cls->classInfo.raw != 0 ? vsClass_name(cls) : nullptr;
  if (className != nullptr) {
    putSymbol(out, className, true);
  } else {
    out.put("<Unknown exception type>");
  }
  const ThrowableObject* t = throwable != 0 ? vsRef_as<ThrowableObject>(throwable) : nullptr;
  if (t != nullptr && t->detailMessage != 0) {
    out.put(": ");
    out.flush();
    vsStream_printJavaString(stream, t->detailMessage, -1);
  }
  out.put('\n');
  if (t == nullptr || !printFrames(out, t->backtrace)) out.put("   (stack trace incomplete)\n");
  out.flush();
}
