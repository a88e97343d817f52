// The library's verification at build time: every instance class of the
// model is verified (which also gives its methods their compact stack
// maps and flags it verified, so the image's classes are never verified
// at run time). The first failure ends the build naming the class, the
// method, the bci and the code.
#include <string>

#include "tools/romizer/member_text.h"
#include "tools/romizer/romizer_model.h"
#include "vm/core/bytecode/verifier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/object_helpers.h"

namespace {

void reportFailure(int32_t code, const VmRef* method, uint32_t bci) {
  const MethodRecord* m = vsRef_as<MethodRecord>(*method);
  romizer_fail("class %s: method %s%s, bci %u: verification error %d",
               romizer_className(vsMethod_holderClass(m)).c_str(), romizer_methodName(m).c_str(),
               romizer_methodDescriptor(m).c_str(), bci, code);
}

uint32_t checkedMethods(const ClassRecord* cls) {
  const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(cls));
  uint32_t n = 0;
  for (int32_t i = 0; methods != nullptr && i < methods->length; ++i) {
    const MethodRecord* m = vsRef_as<MethodRecord>(methods->elements[i]);
    if (m != nullptr && !vsMethod_isNative(m) && !vsMethod_isAbstract(m)) ++n;
  }
  return n;
}

}  // namespace

VerificationCounts romizer_verifyClasses(RomizerModel& model) {
  VerificationCounts counts{};
  vsVerifier_setFailureHook(reportFailure);
  for (VmRef cls : model.classes) {
    // Stubs (classes named but never loaded) have nothing to verify.
    if (vsObject_kind(cls) != kKindInstanceClass || vsClass_isStub(vsRef_as<ClassRecord>(cls))) continue;
    VmHandle handle;
    vsHandle_push(&handle, cls);
    const bool ok = vsVerifier_verifyClass(&handle.object);
    vsHandle_close(&handle);
    if (!ok)
      romizer_fail("class %s: no memory to verify it", romizer_className(vsRef_as<ClassRecord>(cls)).c_str());
    ++counts.classes;
    counts.methods += checkedMethods(vsRef_as<ClassRecord>(cls));
  }
  vsVerifier_setFailureHook(nullptr);
  return counts;
}
