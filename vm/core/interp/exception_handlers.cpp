// Searching a method's exception table (see exception_dispatch.h).
#include "vm/core/interp/exception_dispatch.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/subtype.h"

namespace {

struct Entry {
  uint32_t start, end, handler, catchType;
};

// Entry i of the method's table, or false past its end.
bool entryAt(const MethodRecord* method, int32_t i, Entry* e) {
  const ShortArray* t = vsRef_as<ShortArray>(vsMethod_exceptionTable(method));
  if (t == nullptr || 4 * i + 3 >= t->length) return false;
  const int16_t* words = t->elements + 4 * i;
  *e = {static_cast<uint16_t>(words[0]), static_cast<uint16_t>(words[1]), static_cast<uint16_t>(words[2]),
        static_cast<uint16_t>(words[3])};
  return true;
}

inline bool covers(const Entry& e, uint32_t bci) { return e.start <= bci && bci < e.end; }

}  // namespace

int32_t vsMethod_findExceptionHandler(const VmRef* method, const VmRef* exceptionClass, bool firstCovering,
                                      uint32_t bci) {
  Entry e;
  for (int32_t i = 0; entryAt(vsRef_as<MethodRecord>(*method), i, &e); ++i) {
    if (!covers(e, bci)) continue;
    if (firstCovering || e.catchType == 0) return static_cast<int32_t>(e.handler);
    VmHandle pool;
    vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(vsRef_as<MethodRecord>(*method))));
    ClassRecord* catchClass = vsConstantPool_resolveClass(&pool.object, e.catchType);
    vsHandle_close(&pool);
    if (catchClass == nullptr) return -1;
    if (vsClass_isSubtypeOf(vsRef_as<ClassRecord>(*exceptionClass), catchClass)) return static_cast<int32_t>(e.handler);
  }
  return -1;
}

int32_t vsMethod_findCatchAllHandler(const MethodRecord* method, uint32_t bci) {
  Entry e;
  for (int32_t i = 0; entryAt(method, i, &e); ++i)
    if (covers(e, bci)) return e.catchType == 0 ? static_cast<int32_t>(e.handler) : -1;
  return -1;
}
