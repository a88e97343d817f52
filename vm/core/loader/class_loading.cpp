// Class loading (see class_loading.h).
#include "vm/core/loader/class_loading.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/loader/class_file_context.h"
#include "vm/core/loader/class_file_parser.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_mirrors.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/services/lifecycle/class_hooks.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

constexpr const char* kProtectedPackages[] = {
    "java/io",         "java/lang",         "java/lang/ref",           "java/util",
    "javax/microedition/io", "com/sun/cldc/i18n/uclc", "com/sun/cldc/i18n", "com/sun/cldc/i18n/j2me",
    "com/sun/cldc/io", "com/sun/cldc/util/j2me", "com/sun/cldcvk/io", "com/sun/cldcvk/jvm",
    "com/sun/cldcvk/ref",
};
static_assert(sizeof kProtectedPackages / sizeof kProtectedPackages[0] == 13);

// Class names longer than a class-path path cannot be found anyway.
constexpr uint32_t kMaxNameBytes = kVsClassPath_pathBuffer;

ClassLoadingRecord* record(VmRef r) { return vsRef_as<ClassLoadingRecord>(r); }

const VmSymbol* sym(VmRef s) { return vsRef_as<VmSymbol>(s); }

// The innermost element of an array class.
const ClassRecord* innermostElement(const ClassRecord* array) {
  const ClassRecord* element = array;
  while (vsObject_kind(vsRef_of(element)) == kKindObjectArrayClass)
    element = vsRef_as<ClassRecord>(element->elementOrLink);
  return element;
}

// The array class that the name denotes, or 0 when it denotes none.
VmRef arrayClassOfName(const VmRef* name) {
  const VmSymbol* s = sym(*name);
  if (vsSymbol_isFieldType(*name)) {
    const ClassRecord* cls = s->length == 2 ? vsSignature_classAt(s->bytes) : nullptr;
    return cls != nullptr && vsClass_isArrayClass(cls) ? vsRef_of(cls) : 0;
  }
  if (!vsSymbol_isArrayDescriptor(s)) return 0;
  const VmRef type = vsDescriptor_parse({nullptr, name, kSymbolBytesOffset, s->length});
  if (type == 0) return 0;
  const VmSymbol* t = sym(type);
  return t->length == 2 ? vsRef_of(vsSignature_classAt(t->bytes)) : 0;
}

// One step of the loading loop on the top record: its class when it is
// done (found loaded, or created now), 0 when the parser pushed missing
// classes or on a failure (*failed set, an exception pending).
VmRef loadTop(VmRef* stack, int32_t kind, bool* failed) {
  VmHandle top;
  VmHandle name;
  VmHandle created;
  vsHandle_push(&top, *stack);
  vsHandle_push(&name, record(top.object)->name);
  vsHandle_pushEmpty(&created);
  ClassLookup lookup;
  vsClassLookup_init(&lookup, &name.object, kind, 0, 0);
  VmRef done = 0;
  if (record(top.object)->headerRead == 0 && (done = vsClass_findLoaded(name.object)) != 0) {
    // Another load made the class meanwhile.
    *stack = record(top.object)->next;
  } else {
    char source[kSourceNameBytes] = "";
    if (record(top.object)->classFile == 0) {
      const VmRef bytes = vsClass_readClassFile(&lookup, source, sizeof source);
      if (bytes != 0) vsJavaHeap_storeReference(&record(top.object)->classFile, bytes);
    }
    if (!vsException_isPending()) {
      ClassFileContext context;
      vsClassFile_open(&context, record(top.object)->classFile, stack, &lookup, source);
      created.object = vsClassFile_parse(&context, stack);
      vsClassFile_close(&context);
    }
    if (!vsException_isPending() && created.object != 0) {
      vsClass_addToTable(&lookup, &created.object);
      if (vsClass_createMirror(&created.object, true) != 0) done = created.object;
    }
    *failed = vsException_isPending();
  }
  vsHandle_close(&top);
  return done;
}

}  // namespace

bool vsClass_isInProtectedPackage(const VmSymbol* name) {
  const int32_t slash = vsSymbol_lastIndexOf(name, '/');
  if (slash < 0) return false;
  for (const char* p : kProtectedPackages)
    if (std::strlen(p) == static_cast<size_t>(slash) && std::memcmp(p, name->bytes, static_cast<size_t>(slash)) == 0)
      return true;
  return false;
}

void vsClass_throwNoClassDef(const VmRef* name, int32_t kind) { vsException_raiseClassNotFound(name, kind); }

void vsClass_throwNotFound(ClassLookup* lookup) { vsClass_throwNoClassDef(lookup->name.get(), lookup->kind); }

VmRef vsClass_findOrLoad(ClassLookup* lookup) {
  const VmRef name = *lookup->name.get();
  // An array name given as text names a class only when it is a whole array
  // descriptor: "[X" or "[Lp/C" are missing classes, not malformed code.
  if (name == 0 || !vsSymbol_isValidClassName(name) ||
      (!vsSymbol_isFieldType(name) && vsSymbol_isArrayDescriptor(sym(name)) &&
       !vsName_isArrayClassName(sym(name)->bytes, sym(name)->length))) {
    vsClass_throwNotFound(lookup);
    return 0;
  }
  if (vsSymbol_isFieldType(name) || vsSymbol_isArrayDescriptor(sym(name))) {
    // A primitive letter names no class.
    const VmRef array = vsClass_arrayClassForName(lookup);
    if (array == 0 && !vsException_isPending()) vsClass_throwNotFound(lookup);
    return array;
  }
  const VmRef found = vsClass_find(lookup, false, true);
  if (found != 0) return found;
  return lookup->stub != 0 ? vsClass_createStub(lookup) : vsClass_load(lookup);
}

VmRef vsClass_findOrLoadByName(const char* name, int32_t kind) {
  VmHandle symbol;
  vsHandle_push(&symbol, vsSymbol_fromCString(name, false));
  VmRef cls = 0;
  if (symbol.object != 0) {
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &symbol.object, kind, 0, 0);
    cls = vsClass_findOrLoad(&lookup);
  }
  vsHandle_close(&symbol);
  return cls;
}

VmRef vsClass_arrayClassForName(ClassLookup* lookup) {
  VmHandle array;
  vsHandle_push(&array, arrayClassOfName(lookup->name.get()));
  if (array.object != 0 && lookup->stub == 0) {
    const ClassRecord* element = innermostElement(vsRef_as<ClassRecord>(array.object));
    if (vsObject_kind(vsRef_of(element)) == kKindInstanceClass && vsClass_isStub(element)) {
      VmHandle elementName;
      vsHandle_push(&elementName, vsRef_of(vsClass_name(element)));
      ClassLookup elementLookup = *lookup;
      elementLookup.name = &elementName.object;
      if (vsClass_findOrLoad(&elementLookup) == 0) array.object = 0;
    }
  }
  const VmRef result = array.object;
  vsHandle_close(&array);
  return result;
}

VmRef vsClass_readClassFile(ClassLookup* lookup, char* source, uint32_t sourceSize) {
  source[0] = '\0';
  const VmSymbol* name = sym(*lookup->name.get());
  if (name->length >= kMaxNameBytes) {
    vsClass_throwNotFound(lookup);
    return 0;
  }
  char text[kMaxNameBytes];
  vsSymbol_copyToBuffer(name, text, sizeof text);
  VmHandle bytes;
  vsHandle_push(&bytes, vsClassPath_findResource(text, 1));
  VmRef result = 0;
  if (!vsException_isPending()) {
    if (bytes.object == 0) {
      vsClass_throwNotFound(lookup);
    } else {
      if (const VsMemFile* archive = vsMemFile_slot(vsClassPath_classSource()))
        std::strncpy(source, archive->name, sourceSize - 1);
      source[sourceSize - 1] = '\0';
      const bool systemLibrary = std::strcmp(source, kSystemLibraryName) == 0;
      if (!systemLibrary && vsClass_isInProtectedPackage(sym(*lookup->name.get()))) {
        vsClass_throwNoClassDef(lookup->name.get(), 1);
      } else if (vsSys_checkClassSource(text, static_cast<int32_t>(std::strlen(text)), source) != 0) {
        vsClass_throwNoClassDef(lookup->name.get(), 1);
      } else {
        result = bytes.object;
      }
    }
  }
  vsHandle_close(&bytes);
  return result;
}

VmRef vsClass_load(ClassLookup* lookup) {
  VmHandle stack;
  VmHandle first;
  VmHandle result;
  vsHandle_push(&stack, vsJavaHeap_newClassLoadingRecord(*lookup->name.get()));
  vsHandle_pushCopy(&first, &stack.object);
  vsHandle_pushEmpty(&result);
  if (stack.object != 0) vsJavaHeap_storeReference(&record(stack.object)->classFile, lookup->classFileBytes);
  bool failed = stack.object == 0;
  while (!failed && stack.object != 0) {
    const bool isFirst = stack.object == first.object;
    const VmRef done = loadTop(&stack.object, isFirst ? lookup->kind : 1, &failed);
    if (done != 0 && isFirst) result.object = done;
  }
  const VmRef loaded = failed ? 0 : result.object;
  vsHandle_close(&stack);
  return loaded;
}
