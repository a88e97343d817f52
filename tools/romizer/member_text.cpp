// Names of classes and methods (see member_text.h).
#include "tools/romizer/member_text.h"

#include "tests/support/capture_stream.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/class_access.h"
#include "vm/core/startup/type_text.h"

namespace {

std::string symbolText(const VmSymbol* s) {
  return std::string(reinterpret_cast<const char*>(s->bytes), s->length);
}

}  // namespace

std::string romizer_className(const ClassRecord* cls) {
  CaptureStream out;
  vsTypeText_printClassName(&out, cls);
  return out.text();
}

std::string romizer_methodDescriptor(const MethodRecord* method) {
  CaptureStream out;
  vsTypeText_printSignature(&out, vsMethod_signature(method));
  return out.text();
}

std::string romizer_methodName(const MethodRecord* method) {
  return symbolText(vsRef_as<VmSymbol>(vsMethod_name(method)));
}
