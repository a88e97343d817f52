// Widening of ldc to ldc_w over methods of a core started without an image.
//
// Each case is a small program written twice by one generator: once with
// its ldc and once with the ldc_w the romizer should make of it. Both are
// prepared as the loader prepares code (switch tables in machine order);
// the widened record must equal the second form, and its exception table
// and stack map must name the second form's labels.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "tests/core/core_fixture.h"
#include "tools/romizer/code_widening.h"
#include "vm/core/interp/bytecode_preparation.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"

// The romizer's driver exits; here a failure becomes an exception.
struct RomizerFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void romizer_fail(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  throw RomizerFailure(buffer);
}

namespace {

// Item tags of the parser's stack map.
constexpr uint16_t kItemInt = 1;
constexpr uint16_t kItemNull = 5;
constexpr uint16_t kItemObject = 7;

uint16_t newSiteItem(uint32_t offset) {
  return static_cast<uint16_t>((offset & 0x0FFF) | 0x1000 | ((offset & 0xF000) << 1));
}

// An assembler of class-file code with labels; `widened` picks ldc or the
// ldc_w it becomes.
class Asm {
 public:
  explicit Asm(bool widened) : widened_(widened) {}

  Asm& op(uint8_t opcode, uint32_t times = 1) {
    code_.insert(code_.end(), times, opcode);
    return *this;
  }
  Asm& u2(uint16_t v) { return op(static_cast<uint8_t>(v >> 8)).op(static_cast<uint8_t>(v)); }
  Asm& s4(int32_t v) { return u2(static_cast<uint16_t>(static_cast<uint32_t>(v) >> 16)).u2(static_cast<uint16_t>(v)); }
  Asm& label(const std::string& name) {
    labels_[name] = here();
    return *this;
  }
  // ldc of entry 1, or ldc_w of wideIndex.
  Asm& ldc(const std::string& name, uint16_t wideIndex) {
    label(name);
    return widened_ ? op(kOpLdcW).u2(wideIndex) : op(kOpLdc).op(1);
  }
  Asm& branch(uint8_t opcode, const std::string& target) {
    fixes_.push_back({here() + 1, here(), target, opcode == kOpGotoW ? 4u : 2u});
    return opcode == kOpGotoW ? op(opcode).s4(0) : op(opcode).u2(0);
  }
  Asm& tableswitch(const std::string& fallback, int32_t low, const std::vector<std::string>& targets) {
    const uint32_t at = here();
    op(kOpTableswitch).pad();
    offset(at, fallback).s4(low).s4(low + static_cast<int32_t>(targets.size()) - 1);
    for (const std::string& t : targets) offset(at, t);
    return *this;
  }
  Asm& lookupswitch(const std::string& fallback, const std::vector<std::pair<int32_t, std::string>>& pairs) {
    const uint32_t at = here();
    op(kOpLookupswitch).pad();
    offset(at, fallback).s4(static_cast<int32_t>(pairs.size()));
    for (const auto& [match, target] : pairs) s4(match).offset(at, target);
    return *this;
  }

  uint32_t at(const std::string& name) const { return labels_.at(name); }
  std::vector<uint8_t> code() const {
    std::vector<uint8_t> out = code_;
    for (const Fix& f : fixes_) {
      const int32_t v = static_cast<int32_t>(at(f.target) - f.from);
      for (uint32_t k = 0; k < f.size; ++k)
        out[f.at + k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * (f.size - 1 - k)));
    }
    return out;
  }

 private:
  struct Fix {
    uint32_t at;
    uint32_t from;
    std::string target;
    uint32_t size;
  };
  uint32_t here() const { return static_cast<uint32_t>(code_.size()); }
  Asm& pad() { return op(0, (4 - here() % 4) % 4); }
  Asm& offset(uint32_t from, const std::string& target) {
    fixes_.push_back({here(), from, target, 4});
    return s4(0);
  }

  bool widened_;
  std::vector<uint8_t> code_;
  std::map<std::string, uint32_t> labels_;
  std::vector<Fix> fixes_;
};

using Program = std::function<void(Asm&)>;

// A handler {start, end, handler} by labels, catch-all.
struct Handler {
  std::string start, end, handler;
};

// A frame at a label: locals int and null, and on the stack the new site
// of a label, or an object item with a class name.
struct Frame {
  std::string offset;
  std::string newSite;  // "" for an object item
};

struct Case {
  const char* name;
  Program program;
  std::vector<std::string> sites;  // the ldc to widen, indexes 300, 301, ...
  std::vector<Handler> handlers;
  std::vector<Frame> frames;
};

class WideningTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    square_ = vsRef_of(loaded("it/Square"));
    for (uint32_t id = 0; id < vsClassTable_count(); ++id) model_.classes.push_back(vsRef_of(vsClass_byId(id)));
    nameMethod_ = methodNamed(square_, "name");
    ASSERT_NE(nameMethod_, 0u);
  }

  static VmRef methodNamed(VmRef cls, const char* name) {
    const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(cls)));
    for (int32_t i = 0; i < methods->length; ++i)
      if (vsMethod_name(vsRef_as<MethodRecord>(methods->elements[i])) == symbol(name)) return methods->elements[i];
    return 0;
  }

  // A prepared method of Square.name's class, name and pool with this code,
  // exception table and stack map (the names array of a frame is set where
  // it names a class).
  VmRef makeMethod(const std::vector<uint8_t>& code, const std::vector<uint16_t>& table = {},
                   const std::vector<std::vector<uint16_t>>& frames = {}) {
    VmHandle method;
    VmHandle part;
    VmHandle names;
    vsHandle_push(&method, vsJavaHeap_newMethod(static_cast<uint16_t>(code.size())));
    vsHandle_pushEmpty(&part);
    vsHandle_pushEmpty(&names);
    MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    const MethodRecord* from = vsRef_as<MethodRecord>(nameMethod_);
    vsJavaHeap_storeReference(&m->constantPool.raw, from->constantPool.raw);
    m->accessFlags = from->accessFlags;
    m->classId = from->classId;
    m->maxStack = 4;
    m->maxLocals = 4;
    m->parameterWords = from->parameterWords;
    m->nameIndex = from->nameIndex;
    m->signatureIndex = from->signatureIndex;
    std::copy(code.begin(), code.end(), m->code);
    part.object = vsJavaHeap_newShortArray(static_cast<int32_t>(table.size()));
    for (size_t i = 0; i < table.size(); ++i)
      vsRef_as<ShortArray>(part.object)->elements[i] = static_cast<int16_t>(table[i]);
    vsJavaHeap_storeReference(&vsRef_as<MethodRecord>(method.object)->exceptionTable, part.object);
    part.object = vsJavaHeap_newObjectArray(static_cast<int32_t>(2 * frames.size()));
    vsJavaHeap_storeReference(&vsRef_as<MethodRecord>(method.object)->stackMap, part.object);
    for (size_t f = 0; f < frames.size(); ++f) {
      part.object = vsJavaHeap_newShortArray(static_cast<int32_t>(frames[f].size()));
      for (size_t i = 0; i < frames[f].size(); ++i)
        vsRef_as<ShortArray>(part.object)->elements[i] = static_cast<int16_t>(frames[f][i]);
      names.object = 0;
      if (frames[f].back() == kItemObject) {
        names.object = vsJavaHeap_newObjectArray(static_cast<int32_t>(frames[f].size()));
        vsRef_as<ObjectArray>(names.object)->elements[frames[f].size() - 1] = symbol("java/lang/String");
      }
      ObjectArray* map = vsRef_as<ObjectArray>(vsRef_as<MethodRecord>(method.object)->stackMap);
      vsJavaHeap_storeReference(&map->elements[2 * f], part.object);
      vsJavaHeap_storeReference(&map->elements[2 * f + 1], names.object);
    }
    EXPECT_EQ(vsMethod_prepareBytecode(&method.object), 1) << takePending();
    const VmRef result = method.object;
    vsHandle_close(&method);
    return result;
  }

  static std::vector<uint8_t> codeOf(VmRef method) {
    const MethodRecord* m = vsRef_as<MethodRecord>(method);
    return std::vector<uint8_t>(m->code, m->code + m->codeLength);
  }

  static std::vector<uint16_t> shorts(VmRef array) {
    const ShortArray* a = vsRef_as<ShortArray>(array);
    std::vector<uint16_t> out;
    for (int32_t i = 0; i < a->length; ++i) out.push_back(static_cast<uint16_t>(a->elements[i]));
    return out;
  }

  // The message of the romizer's failure, or "" when it widened.
  std::string failureOf(VmRef method, const std::vector<LdcWidening>& sites) {
    try {
      romizer_widenLdc(model_, method, sites);
    } catch (const RomizerFailure& failure) {
      return failure.what();
    }
    return "";
  }

  // Whether any class of the model still names the method.
  bool referenced(VmRef method) const {
    for (const VmRef c : model_.classes) {
      if (c == 0) continue;
      const ClassInfo* info = vsRef_as<ClassRecord>(c)->classInfo.get();
      const uint32_t words = (info->recordSize - kClassInfoFixedBytes) / 4;
      for (uint32_t i = 0; i < words; ++i)
        if (info->vtable[i] == method) return true;
      if (vsClass_isArrayClass(vsRef_as<ClassRecord>(c)) || info->methods == 0) continue;
      const ObjectArray* methods = vsRef_as<ObjectArray>(info->methods);
      for (int32_t i = 0; i < methods->length; ++i)
        if (methods->elements[i] == method) return true;
    }
    return false;
  }

  RomizerModel model_;
  VmRef square_ = 0;
  VmRef nameMethod_ = 0;
};

std::vector<uint16_t> handlerValues(const Asm& a, const std::vector<Handler>& handlers) {
  std::vector<uint16_t> out;
  for (const Handler& h : handlers) {
    for (const std::string& l : {h.start, h.end, h.handler}) out.push_back(static_cast<uint16_t>(a.at(l)));
    out.push_back(0);
  }
  return out;
}

std::vector<std::vector<uint16_t>> frameValues(const Asm& a, const std::vector<Frame>& frames) {
  std::vector<std::vector<uint16_t>> out;
  for (const Frame& f : frames) {
    const uint16_t item = f.newSite.empty() ? kItemObject : newSiteItem(a.at(f.newSite));
    out.push_back({static_cast<uint16_t>(a.at(f.offset)), 2, kItemInt, kItemNull, 1, item});
  }
  return out;
}

// Branches of every form across widened ldc, two sites and one ldc kept,
// handlers and frames around them.
void branches(Asm& a) {
  a.label("top").op(kOpIload0).branch(kOpIfeq, "end");
  a.ldc("s1", 300).label("afterS1").op(kOpPop);
  a.label("new").op(kOpNew).u2(2).op(kOpPop);
  a.op(kOpLdc).op(2).op(kOpPop);  // stays ldc
  a.branch(kOpGotoW, "top").label("back").branch(kOpGoto, "afterS1");
  a.ldc("s2", 301).branch(kOpIfnull, "handler").op(kOpIload0).branch(kOpIfnonnull, "forward");
  a.branch(kOpGotoW, "end").label("forward").op(kOpIload0).op(kOpIload0).branch(kOpIfIcmplt, "top");
  a.label("handler").op(kOpPop).label("end").op(kOpReturn).label("codeEnd");
}

// A switch at bci `align` mod 4 behind a widened ldc, with forward and
// backward targets.
Program switchAt(bool table, uint32_t align) {
  return [table, align](Asm& a) {
    a.label("top").op(kOpNop, align).ldc("s1", 300).op(kOpPop).label("switch").op(kOpIload0);
    if (table)
      a.tableswitch("top", -1, {"one", "two", "top"});
    else
      a.lookupswitch("two", {{-5, "one"}, {7, "top"}, {1000, "two"}});
    a.label("one").op(kOpIload0).branch(kOpIfne, "switch").label("two").op(kOpReturn).label("codeEnd");
  };
}

std::vector<Case> cases() {
  std::vector<Case> out = {
      {"branches", branches, {"s1", "s2"},
       {{"s1", "back", "handler"}, {"afterS1", "codeEnd", "end"}, {"top", "s2", "handler"}},
       {{"top", "new"}, {"afterS1", "new"}, {"handler", ""}, {"end", ""}}},
  };
  for (const bool table : {true, false})
    for (uint32_t align = 0; align < 4; ++align)
      out.push_back({table ? "tableswitch" : "lookupswitch", switchAt(table, align), {"s1"},
                     {{"switch", "one", "two"}}, {{"one", ""}, {"two", ""}}});
  return out;
}

TEST_F(WideningTest, CodeTablesAndMapsFollowTheWidenedLdc) {
  for (const Case& c : cases()) {
    Asm before(false);
    Asm after(true);
    c.program(before);
    c.program(after);
    SCOPED_TRACE(std::string(c.name) + ", first site at bci " + std::to_string(before.at("s1")));
    std::vector<LdcWidening> sites;
    for (size_t k = 0; k < c.sites.size(); ++k)
      sites.push_back({before.at(c.sites[k]), static_cast<uint16_t>(300 + k)});
    std::reverse(sites.begin(), sites.end());  // the order of the list does not matter
    VmHandle old;
    vsHandle_push(&old, makeMethod(before.code(), handlerValues(before, c.handlers), frameValues(before, c.frames)));
    const std::vector<uint8_t> expected = codeOf(makeMethod(after.code()));
    const VmRef widened = romizer_widenLdc(model_, old.object, sites);
    EXPECT_EQ(codeOf(widened), expected);
    const MethodRecord* w = vsRef_as<MethodRecord>(widened);
    EXPECT_EQ(shorts(w->exceptionTable), handlerValues(after, c.handlers));
    const ObjectArray* map = vsRef_as<ObjectArray>(w->stackMap);
    const ObjectArray* oldMap = vsRef_as<ObjectArray>(vsRef_as<MethodRecord>(old.object)->stackMap);
    const std::vector<std::vector<uint16_t>> frames = frameValues(after, c.frames);
    ASSERT_EQ(map->length, static_cast<int32_t>(2 * frames.size()));
    for (size_t f = 0; f < frames.size(); ++f) {
      EXPECT_EQ(shorts(map->elements[2 * f]), frames[f]) << "frame " << f;
      EXPECT_EQ(map->elements[2 * f + 1], oldMap->elements[2 * f + 1]) << "class names of frame " << f;
    }
    // The old record keeps its own code and tables.
    EXPECT_EQ(shorts(vsRef_as<MethodRecord>(old.object)->exceptionTable), handlerValues(before, c.handlers));
    EXPECT_EQ(vsRef_as<MethodRecord>(old.object)->codeLength, before.code().size());
    vsHandle_close(&old);
  }
}

TEST_F(WideningTest, TheNewRecordReplacesTheOldInMethodsVirtualAndInterfaceTables) {
  const VmRef old = nameMethod_;
  const MethodRecord* o = vsRef_as<MethodRecord>(old);
  ASSERT_EQ(codeOf(old), (std::vector<uint8_t>{kOpLdc, o->code[1], kOpAreturn}));
  auto squareInfo = [this] { return vsRef_as<ClassRecord>(square_)->classInfo.get(); };
  std::vector<uint32_t> slots;  // where the old record was: vtable and interface tables
  for (uint32_t i = 0; i < (squareInfo()->recordSize - kClassInfoFixedBytes) / 4u; ++i)
    if (squareInfo()->vtable[i] == old) slots.push_back(i);
  ASSERT_EQ(slots.size(), 3u) << "Square's vtable and the tables of Shape and Named";
  ASSERT_GE(slots[1], squareInfo()->vtableLength);

  const VmRef widened = romizer_widenLdc(model_, old, {{0, 0x1234}});
  const ClassInfo* info = squareInfo();
  const MethodRecord* w = vsRef_as<MethodRecord>(widened);
  EXPECT_EQ(codeOf(widened), (std::vector<uint8_t>{kOpLdcW, 0x12, 0x34, kOpAreturn}));
  EXPECT_NE(widened, old);
  EXPECT_EQ(vsObject_class(widened), vsObject_class(old));
  for (const uint32_t i : slots) EXPECT_EQ(info->vtable[i], widened) << "slot " << i;
  EXPECT_FALSE(referenced(old));
  EXPECT_EQ(methodNamed(square_, "name"), widened);
  EXPECT_EQ(vsMethod_name(w), symbol("name"));
  EXPECT_EQ(w->entryWord.get(), &w->ownEntry);
  EXPECT_EQ(w->ownEntry, o->ownEntry);
  EXPECT_EQ(w->exceptionTable, o->exceptionTable);
  EXPECT_EQ(w->stackMap, o->stackMap);
  for (const auto& [field, a, b] : {std::tuple{"flags", w->accessFlags, o->accessFlags},
                                    std::tuple{"class id", w->classId, o->classId},
                                    std::tuple{"max stack", w->maxStack, o->maxStack},
                                    std::tuple{"max locals", w->maxLocals, o->maxLocals},
                                    std::tuple{"parameter words", w->parameterWords, o->parameterWords},
                                    std::tuple{"signature", w->signatureIndex, o->signatureIndex}})
    EXPECT_EQ(a, b) << field;
}

TEST_F(WideningTest, CodeUpTo65535BytesAfterWideningIsAccepted) {
  const VmRef method = makeMethod(Asm(false).ldc("s", 0).op(kOpNop, 65531).op(kOpReturn).code());
  ASSERT_EQ(vsRef_as<MethodRecord>(method)->codeLength, 65534);
  EXPECT_EQ(vsRef_as<MethodRecord>(romizer_widenLdc(model_, method, {{0, 300}}))->codeLength, 65535);
}

struct FailureCase {
  const char* name;
  std::vector<uint8_t> code;
  std::vector<LdcWidening> sites;
  std::vector<uint16_t> table;
  std::vector<std::vector<uint16_t>> frames;
  const char* message;
};

TEST_F(WideningTest, FailuresNameTheClassAndTheMethod) {
  const std::vector<uint8_t> small = Asm(false).op(kOpNop).ldc("s", 0).op(kOpPop).op(kOpReturn).code();
  const std::vector<FailureCase> failures = {
      {"code past 65535 bytes", Asm(false).ldc("s", 0).op(kOpNop, 65532).op(kOpReturn).code(), {{0, 300}}, {}, {},
       "it/Square.name: code of 65536 bytes after widening ldc, above 65535"},
      {"a short branch past 32767 bytes",
       Asm(false).branch(kOpGoto, "end").ldc("s", 0).op(kOpNop, 32762).label("end").op(kOpReturn).code(),
       {{3, 300}}, {}, {}, "it/Square.name: the branch at bci 0 reaches past 32767 bytes after widening"},
      {"a new site past 32767",
       Asm(false).ldc("s", 0).op(kOpNop, 32765).op(kOpNew).u2(2).op(kOpReturn).code(), {{0, 300}}, {},
       {{0, 0, 1, newSiteItem(32767)}},
       "it/Square.name: stack-map frame 0 names a new instruction past bci 32767 after widening"},
      {"a branch into an instruction", {kOpNop, kOpLdc, 1, kOpGoto, 0xFF, 0xFF, kOpReturn}, {{1, 300}}, {}, {},
       "the branch at bci 3 jumps to no instruction"},
      {"a switch to the end of the code",
       Asm(false).ldc("s", 0).op(kOpIload0).tableswitch("end", 0, {"end"}).op(kOpReturn).label("end").code(),
       {{0, 300}}, {}, {}, "the switch at bci 3 jumps to no instruction"},
      {"a site that is no ldc", small, {{0, 300}}, {}, {}, "it/Square.name: the site at bci 0 is not an ldc"},
      {"a site inside an instruction", small, {{2, 300}}, {}, {}, "the site at bci 2 is not an ldc"},
      {"a site listed twice", small, {{1, 300}, {1, 301}}, {}, {}, "the site at bci 1 is listed twice"},
      {"a handler inside an instruction", small, {{1, 300}}, {1, 2, 3, 0}, {},
       "exception-table entry 0 does not lie on instructions"},
      {"a frame inside an instruction", small, {{1, 300}}, {}, {{2, 0, 0}}, "stack-map frame 0 does not fit the code"},
      {"a frame whose counts overrun it", small, {{1, 300}}, {}, {{1, 3, 1, 0}},
       "stack-map frame 0 does not fit the code"},
  };
  for (const FailureCase& c : failures) {
    const std::string message = failureOf(makeMethod(c.code, c.table, c.frames), c.sites);
    EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
    EXPECT_EQ(message.rfind("it/Square.name: ", 0), 0u) << c.name << ": " << message;
  }
}

TEST_F(WideningTest, MapOfBcisKnowsOnlyInstructionStartsAndTheEnd) {
  const std::vector<uint8_t> code = Asm(false).op(kOpNop).ldc("s", 0).op(kOpReturn).code();
  WidenedCode widened;
  ASSERT_EQ(romizer_widenCode(code.data(), static_cast<uint32_t>(code.size()), {{1, 300}}, &widened), "");
  const std::map<uint32_t, int64_t> expected = {{0, 0}, {1, 1}, {2, -1}, {3, 4}, {4, 5}, {5, -1}};
  for (const auto& [from, to] : expected) {
    uint32_t moved = 0;
    EXPECT_EQ(romizer_newBci(widened.bcis, from, &moved), to >= 0) << from;
    if (to >= 0) {
      EXPECT_EQ(moved, to) << from;
    }
  }
}

}  // namespace
