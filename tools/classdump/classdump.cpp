// classdump: loads classes into a core started without a class image and
// prints what the loader made of them.
//
//   classdump [VM options] [--forname] [--brief] [--image]
//             [--internal-package PREFIX] LIB.jar TEST.jar CLASS...
//
// LIB.jar becomes the system library "/sys.jar", TEST.jar the application
// archive "/app.jar"; the core loads the system's classes, ends its start-up
// phase and then loads each CLASS (with --forname as Class.forName does: a
// missing class is ClassNotFoundException). A CLASS written "+name" is
// loaded without being printed. For each printed class comes a canonical
// dump, or the pending exception as its class name and quoted message:
//
//   java/lang/Error " 56"
//
// With --brief each line is the class name followed by "loaded" or by the
// exception.
//
// --image starts the core as the romizer does, in image-building mode (the
// start-up phase lasts, and any exception ends the run). --internal-package
// registers a list with one prefix for the internal-
// package restriction. VM options ("-UseVerifier") go to the VM's option
// parser. The VM's log goes to standard error; a fatal VM error ends the
// tool with status 255. Nothing printed depends on addresses, so the output
// is the same on every build. A test tool.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ce/substrate/low_thread.h"
#include "tests/core/core_start.h"
#include "vm/core/bytecode/stack_maps.h"
#include "tests/support/capture_stream.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/options.h"
#include "vm/core/startup/type_text.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/connection/internal_package.h"

namespace {

constexpr size_t kStackBytes = size_t{8} << 20;
constexpr int kUsageError = 2;

struct Request {
  std::vector<char*> vmOptions;
  bool forName = false;
  bool brief = false;
  bool image = false;
  std::string internalPrefix;
  std::vector<std::string> positional;
  std::vector<uint8_t> library;
  std::vector<uint8_t> application;
  int status = 0;
};

// Strings are numbered in order of first appearance, so identical Strings
// show the same number.
std::map<VmRef, int> gStrings;

int usage(const char* why) {
  std::fprintf(stderr,
               "classdump: %s\nusage: classdump [VM options] [--forname] [--brief] [--image] [--internal-package PREFIX] "
               "LIB.jar TEST.jar CLASS...\n",
               why);
  return kUsageError;
}

std::string text(const VmSymbol* s) { return std::string(reinterpret_cast<const char*>(s->bytes), s->length); }

// The descriptor of an encoded type at p; n gets its length.
std::string typeAt(const uint8_t* p, uint32_t* n) {
  CaptureStream out;
  *n = vsTypeText_printEncodedType(&out, p);
  return out.text();
}

std::string typeOfClass(const ClassRecord* cls) {
  CaptureStream out;
  vsTypeText_printDescriptor(&out, cls);
  return out.text();
}

std::string nameOfClass(const ClassRecord* cls) {
  const std::string t = typeOfClass(cls);
  return t[0] == 'L' ? t.substr(1, t.size() - 2) : t;
}

// A class name in a class entry: text, or the encoded type of an array.
std::string classNameText(VmRef symbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  if (s->length == 2 && (s->bytes[0] & 0x80) != 0) return nameOfClass(vsSignature_classAt(s->bytes));
  return text(s);
}

std::string signatureText(VmRef signature) {
  const VmSymbol* s = vsRef_as<VmSymbol>(signature);
  const uint32_t count = (s->bytes[0] & 127) * 128u + (s->bytes[1] & 127);
  uint32_t n;
  const std::string result = typeAt(s->bytes + 2, &n);
  std::string params;
  uint32_t at = 2 + n;
  for (uint32_t i = 0; i < count; ++i) {
    params += typeAt(s->bytes + at, &n);
    at += n;
  }
  return "(" + params + ")" + result;
}

std::string methodText(VmRef method) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method);
  return text(vsRef_as<VmSymbol>(vsMethod_name(m))) + signatureText(vsMethod_signature(m));
}

std::string holderAndMethod(VmRef method) {
  if (method == 0) return "-";
  return nameOfClass(vsMethod_holderClass(vsRef_as<MethodRecord>(method))) + "." + methodText(method);
}

std::string bodyFunction(VmWord address) {
  struct Known {
    VsNativeFunction function;
    const char* name;
  };
  static const Known kKnown[] = {{vsNative_unboundBody, "unbound"},
                                 {vsNative_abstractBody, "abstract"},
                                 {vsNative_interfaceMethodMissingBody, "interface-missing"},
                                 {vsNative_interfaceMethodNotPublicBody, "interface-not-public"}};
  for (const Known& k : kKnown)
    if (vsWord_fromPointer(reinterpret_cast<const void*>(k.function)) == address) return k.name;
  return "other";
}

std::string javaString(VmRef string) {
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  std::string out;
  for (int32_t i = 0; i < s->count; ++i) {
    const uint16_t c = chars[i];
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    }
  }
  return out;
}

void printBytes(const char* label, const uint8_t* bytes, uint32_t n) {
  std::printf("  %s", label);
  for (uint32_t i = 0; i < n; ++i) std::printf(" %02x", bytes[i]);
  std::printf("\n");
}

// The length of a reference map including its end byte.
uint32_t mapLength(const uint8_t* map) {
  uint32_t n = 0;
  while (map[n] != 0) ++n;
  return n + 1;
}

void printFields(const ClassRecord* cls) {
  const VmRef fields = vsClass_fields(cls);
  if (fields == 0) return;
  const ShortArray* table = vsRef_as<ShortArray>(fields);
  const FieldEntry* f = reinterpret_cast<const FieldEntry*>(table->elements);
  const ConstantPool* pool = vsClass_constantPool(cls);
  for (int32_t i = 0; i < table->length / 5; ++i) {
    uint32_t n;
    const VmSymbol* type = vsRef_as<VmSymbol>(pool->entries[f[i].signatureIndex]);
    std::printf("  field %s %s flags 0x%04x offset %u constant %u\n",
                text(vsRef_as<VmSymbol>(pool->entries[f[i].nameIndex])).c_str(), typeAt(type->bytes, &n).c_str(),
                f[i].accessFlags, f[i].offset, f[i].constantValueIndex);
  }
}

// A compact map: one line per entry with its form, counts, bci and the
// reference slots (locals first, then stack items).
void printCompactMap(const CountedRecord* map) {
  for (uint32_t i = 0; i < map->count; ++i) {
    const uint32_t slots = vsStackMap_localCount(map, i) + vsStackMap_stackCount(map, i);
    std::printf("    map %s bci %u locals %u stack %u refs", vsStackMap_isShort(map, i) ? "short" : "long",
                vsStackMap_bci(map, i), vsStackMap_localCount(map, i), vsStackMap_stackCount(map, i));
    bool any = false;
    for (uint32_t k = 0; k < slots; ++k) {
      if (!vsStackMap_isReference(map, i, k)) continue;
      std::printf(" %u", k);
      any = true;
    }
    std::printf("%s\n", any ? "" : " -");
  }
}

// The parser's form, which methods keep while the class image is built.
void printStackMap(const MethodRecord* m) {
  const VmRef map = vsMethod_stackmap(m);
  if (map == 0) return;
  if (vsObject_kind(map) == kKindStackMap) return printCompactMap(vsRef_as<CountedRecord>(map));
  const ObjectArray* frames = vsRef_as<ObjectArray>(map);
  for (int32_t f = 0; f + 1 < frames->length; f += 2) {
    const ShortArray* types = vsRef_as<ShortArray>(frames->elements[f]);
    const ObjectArray* classes = frames->elements[f + 1] != 0 ? vsRef_as<ObjectArray>(frames->elements[f + 1]) : nullptr;
    std::printf("    frame");
    for (int32_t i = 0; i < types->length; ++i) {
      std::printf(" %u", static_cast<uint16_t>(types->elements[i]));
      if (classes != nullptr && classes->elements[i] != 0)
        std::printf(":%s", classNameText(classes->elements[i]).c_str());
    }
    std::printf("\n");
  }
}

void printMethod(VmRef method) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method);
  const int32_t kind = vsMethodEntry_kindOfWord(*m->entryWord.get());
  std::printf("  method %s flags 0x%04x stack %u locals %u params %u entry %s\n", methodText(method).c_str(),
              m->accessFlags, m->maxStack, m->maxLocals, m->parameterWords,
              kind >= 0 ? vsMethodEntry_name(static_cast<MethodEntryKind>(kind)) : "?");
  if (vsMethod_isNative(m) || vsMethod_isAbstract(m)) {
    std::printf("    body %u %u %s\n", m->code[0], m->code[1],
                bodyFunction(*vsMethod_nativeAddressSlot(const_cast<MethodRecord*>(m))).c_str());
  } else {
    printBytes("  code", m->code, m->codeLength);
  }
  const VmRef handlers = vsMethod_exceptionTable(m);
  const ShortArray* table = vsRef_as<ShortArray>(handlers);
  for (int32_t i = 0; i + 3 < table->length; i += 4)
    std::printf("    handler %d %d %d %d\n", table->elements[i], table->elements[i + 1], table->elements[i + 2],
                table->elements[i + 3]);
  printStackMap(m);
}

void printTables(const ClassRecord* cls) {
  const ClassInfo* info = cls->classInfo.get();
  for (uint32_t i = 0; i < info->vtableLength; ++i)
    std::printf("  vtable %u %s\n", i, holderAndMethod(info->vtable[i]).c_str());
  const VmWord* pairs = info->vtable + info->vtableLength;
  for (uint32_t k = 0; k < info->itableLength; ++k) {
    const ClassRecord* iface = vsClass_byId(pairs[2 * k]);
    const uint32_t offset = pairs[2 * k + 1];
    std::printf("  itable %s at %u\n", nameOfClass(iface).c_str(), offset);
    const VmWord* slots = vsRef_as<VmWord>(vsRef_of(info) + offset);
    const VmRef methods = vsClass_methods(iface);
    const int32_t count = methods != 0 ? vsRef_as<ObjectArray>(methods)->length : 0;
    for (int32_t i = 0; i < count; ++i) {
      std::printf("    %d %s", i, holderAndMethod(slots[i]).c_str());
      if (slots[i] != 0 && vsMethod_isNative(vsRef_as<MethodRecord>(slots[i])))
        std::printf(" body %s", bodyFunction(*vsMethod_nativeAddressSlot(vsRef_as<MethodRecord>(slots[i]))).c_str());
      std::printf("\n");
    }
  }
}

void printStrings(const ClassRecord* cls) {
  const ConstantPool* pool = vsClass_constantPool(cls);
  for (uint32_t i = 1; i < pool->count; ++i) {
    if (vsConstantPool_tagAt(pool, i) == kTagUnresolvedString) {
      std::printf("  string %u %s unresolved\n", i, text(vsRef_as<VmSymbol>(pool->entries[i])).c_str());
      continue;
    }
    if (vsConstantPool_tagAt(pool, i) != kTagResolvedString) continue;
    const VmRef s = pool->entries[i];
    const auto found = gStrings.emplace(s, static_cast<int>(gStrings.size()) + 1).first;
    std::printf("  string %u \"%s\" #%d\n", i, javaString(s).c_str(), found->second);
  }
}

void printStatics(const ClassRecord* cls) {
  const VmRef fields = vsClass_fields(cls);
  const ShortArray* table = vsRef_as<ShortArray>(fields);
  const FieldEntry* f = reinterpret_cast<const FieldEntry*>(table->elements);
  for (int32_t i = 0; i < table->length / 5; ++i) {
    if ((f[i].accessFlags & kMethodStatic) == 0 || f[i].constantValueIndex == 0) continue;
    const VmWord* slot = vsRef_as<VmWord>(vsRef_of(cls) + f[i].offset);
    const VmSymbol* type = vsRef_as<VmSymbol>(vsClass_constantPool(cls)->entries[f[i].signatureIndex]);
    if (type->length == 2 && vsObject_isString(&slot[0])) {
      const auto found = gStrings.emplace(slot[0], static_cast<int>(gStrings.size()) + 1).first;
      std::printf("  static %u \"%s\" #%d\n", f[i].offset, javaString(slot[0]).c_str(), found->second);
    } else if (type->bytes[0] == 'J' || type->bytes[0] == 'D') {
      std::printf("  static %u 0x%08x%08x\n", f[i].offset, slot[1], slot[0]);
    } else {
      std::printf("  static %u 0x%08x\n", f[i].offset, slot[0]);
    }
  }
}

void dump(const ClassRecord* cls) {
  const ClassInfo* info = cls->classInfo.get();
  const ClassRecord* super = cls->superClass.get();
  std::printf("class %s\n", nameOfClass(cls).c_str());
  std::printf("  id %u flags 0x%08x super %s", info->classId, info->accessFlags,
              super != nullptr ? nameOfClass(super).c_str() : "-");
  if (super != nullptr) std::printf(" (id %u)", vsClass_id(super));
  std::printf("\n  mirror status 0x%02x\n", cls->mirror.raw != 0 ? cls->mirror->status : 0xff);
  std::printf("  interfaces");
  const VmRef list = info->localInterfaces;
  const ShortArray* ids = list != 0 ? vsRef_as<ShortArray>(list) : nullptr;
  for (int32_t i = 0; ids != nullptr && i < ids->length; ++i)
    std::printf(" %s (id %u)", nameOfClass(vsClass_byId(static_cast<uint16_t>(ids->elements[i]))).c_str(),
                static_cast<uint16_t>(ids->elements[i]));
  std::printf("\n  instance size %d record size %u vtable %u itable %u\n", cls->instanceKind, cls->recordSize,
              info->vtableLength, info->itableLength);
  printFields(cls);
  const uint8_t* maps = vsRef_as<uint8_t>(vsRef_of(cls)) + cls->oopMap;
  const uint32_t instance = mapLength(maps);
  printBytes("instance map", maps, instance);
  printBytes("static map", maps + instance, mapLength(maps + instance));
  printStatics(cls);
  printTables(cls);
  const ObjectArray* methods = vsRef_as<ObjectArray>(info->methods);
  for (int32_t i = 0; i < methods->length; ++i) printMethod(methods->elements[i]);
  printStrings(cls);
}

void printPending() {
  const VmRef exception = vsPendingException();
  const ClassRecord* cls = vsObject_class(exception);
  const VmRef message = vsRef_as<VmWord>(exception)[1];
  if (cls->instanceKind >= 8 && message != 0)
    std::printf("%s \"%s\"\n", nameOfClass(cls).c_str(), javaString(message).c_str());
  else
    std::printf("%s\n", nameOfClass(cls).c_str());
  vsPendingException() = 0;
}

// Nothing here owns memory across a call into the VM, which may leave
// through the exit point.
void loadAll(Request& r) {
  for (size_t i = 2; i < r.positional.size(); ++i) {
    const char* name = r.positional[i].c_str();
    const bool quiet = name[0] == '+';
    if (quiet) ++name;
    const VmRef cls = vsClass_findOrLoadByName(name, r.forName ? 0 : 1);
    if (quiet && !vsException_isPending()) continue;
    if (r.brief) std::printf("%s ", name);
    if (r.brief && !vsException_isPending())
      std::printf("loaded\n");
    else if (vsException_isPending())
      printPending();
    else
      dump(vsRef_as<ClassRecord>(cls));
    std::fflush(stdout);
  }
}

void* run(void* argument) {
  Request& r = *static_cast<Request*>(argument);
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    std::fflush(stdout);
    r.status = vsVmState().exitCode & 0xFF;
    return nullptr;
  }
  vsExitPoint_push(&point);
  for (size_t i = 0; i < r.vmOptions.size(); ++i) {
    if (vsOptions_parse(static_cast<int32_t>(r.vmOptions.size() - i), &r.vmOptions[i]) != 1) {
      vsExitPoint_remove(&point);
      r.status = usage("unknown VM option");
      return nullptr;
    }
  }
  if (r.image) vsVmState().buildingImage = 1;
  static const char* prefixes[2] = {nullptr, nullptr};
  if (!r.internalPrefix.empty()) {
    prefixes[0] = r.internalPrefix.c_str();
    vsInternalClassAccessRestriction_registerPackageNames(prefixes);
  }
  if (!vsTestCore_boot(r.library, r.application, kTestCoreHeapBytes)) {
    vsExitPoint_remove(&point);
    r.status = usage("cannot set up the heap");
    return nullptr;
  }
  loadAll(r);
  vsExitPoint_remove(&point);
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  Request r;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--forname") == 0) {
      r.forName = true;
    } else if (std::strcmp(argv[i], "--brief") == 0) {
      r.brief = true;
    } else if (std::strcmp(argv[i], "--image") == 0) {
      r.image = true;
    } else if (std::strcmp(argv[i], "--internal-package") == 0 && i + 1 < argc) {
      r.internalPrefix = argv[++i];
    } else if (r.positional.empty() && argv[i][0] != '\0' && std::strchr("-+=", argv[i][0]) != nullptr) {
      r.vmOptions.push_back(argv[i]);
    } else {
      r.positional.push_back(argv[i]);
    }
  }
  if (r.positional.size() < 3) return usage("expected LIB.jar, TEST.jar and at least one CLASS");
  r.library = vsTestCore_readFile(r.positional[0]);
  r.application = vsTestCore_readFile(r.positional[1]);
  if (r.library.empty() || r.application.empty()) return usage("cannot read the archives");
  LowThread t;
  if (!vsLowThread_start(&t, run, &r, kStackBytes)) return usage("cannot start the VM thread");
  vsLowThread_join(&t, nullptr);
  return r.status;
}
