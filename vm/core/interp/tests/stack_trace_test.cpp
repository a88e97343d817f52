// Printing Java strings and stack traces.
#include "vm/core/interp/stack_trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"

namespace {

using StackTraceTest = HeapTest;

// A String over the UTF-16 units, as a window [1, n + 1) of a longer array.
VmRef javaString(const std::u16string& units) {
  VmHandle value;
  vsHandle_push(&value, vsJavaHeap_newCharArray(static_cast<int32_t>(units.size() + 2)));
  CharArray* chars = vsRef_as<CharArray>(value.object);
  chars->elements[0] = 'X';
  for (size_t i = 0; i < units.size(); ++i) chars->elements[i + 1] = units[i];
  chars->elements[units.size() + 1] = 'Y';
  const VmRef s = vsJavaHeap_newString(&value.object, 1, static_cast<int32_t>(units.size()));
  vsHandle_close(&value);
  return s;
}

std::string printed(VmRef string, int32_t limit) {
  vsTestPort_startCapture();
  vsStream_printJavaString(vsStream_errorStream(), string, limit);
  return vsTestPort_stopCapture().trace;
}

TEST_F(StackTraceTest, JavaStringsPrintEscaped) {
  struct Case {
    std::u16string units;
    std::string text;
  };
  const Case kCases[] = {
      {u"Plain text, 100% ok!", "Plain text, 100% ok!"},
      {u"say \"hi\"", "say \\\"hi\\\""},
      {u"a\tb\nc", "a\\tb\\nc"},
      {u"back\\slash", "back\\slash"},
      {u"caf\u00e9 \u20ac", "caf\\u00e9 \\u20ac"},
      {std::u16string(u"\u0000\u001f\u007f\uffff", 4), "\\u0000\\u001f\\u007f\\uffff"},
      {u"\r", "\\u000d"},
      {u"", ""},
  };
  for (const Case& c : kCases) EXPECT_EQ(printed(javaString(c.units), -1), c.text);
  EXPECT_EQ(printed(0, -1), "");
}

TEST_F(StackTraceTest, LimitCutsAfterOneHundredCharacters) {
  struct Case {
    size_t length;
    int32_t limit;
    std::string text;
  };
  const Case kCases[] = {
      {100, 0, std::string(100, 'x')},
      {101, 0, std::string(100, 'x') + "..."},
      {101, 7, std::string(100, 'x') + "..."},
      {101, -1, std::string(101, 'x')},
      {300, -1, std::string(300, 'x')},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(printed(javaString(std::u16string(c.length, u'x')), c.limit), c.text) << c.length;
}

TEST_F(StackTraceTest, StringWindowOutsideItsArrayPrintsNothing) {
  const VmRef s = javaString(u"abc");
  StringObject* o = vsRef_as<StringObject>(s);
  struct Case {
    int32_t offset;
    int32_t count;
  };
  static constexpr Case kCases[] = {{-1, 2}, {0, 6}, {4, 2}, {1, -1}, {0x7fffffff, 1}};
  for (const Case& c : kCases) {
    o->offset = c.offset;
    o->count = c.count;
    EXPECT_EQ(printed(s, -1), "") << c.offset << " " << c.count;
  }
  o->offset = 0;
  o->count = 5;
  EXPECT_EQ(printed(s, -1), "XabcY");
}

// A throwable of the class with the message and backtrace, and methods of
// a holder class whose names lie in their own pools.
class PrintStackTraceTest : public StackTraceTest {
 protected:
  VmRef method(VmRef holder, const char* name) {
    VmHandle h;
    vsHandle_push(&h, holder);
    VmHandle pool;
    vsHandle_push(&pool, vsJavaHeap_newConstantPool(3));
    vsConstantPool_setEntry(vsRef_as<ConstantPool>(pool.object), 2, kTagUtf8, vsSymbol_fromCString(name, false));
    const VmRef m = vsJavaHeap_newMethod(0);
    MethodRecord* r = vsRef_as<MethodRecord>(m);
    vsJavaHeap_storeReference(&r->constantPool.raw, pool.object);
    r->classId = vsClass_id(vsRef_as<ClassRecord>(h.object));
    r->nameIndex = 2;
    vsHandle_close(&h);
    return m;
  }

  // Object[2] {methods, int[] bcis}.
  VmRef backtrace(const std::vector<VmRef>& methods, const std::vector<int32_t>& bcis) {
    VmHandle m;
    vsHandle_push(&m, vsJavaHeap_newObjectArray(static_cast<int32_t>(methods.size())));
    for (size_t i = 0; i < methods.size(); ++i) vsRef_as<ObjectArray>(m.object)->elements[i] = methods[i];
    VmHandle b;
    vsHandle_push(&b, vsJavaHeap_newIntArray(static_cast<int32_t>(bcis.size())));
    for (size_t i = 0; i < bcis.size(); ++i) vsRef_as<IntArray>(b.object)->elements[i] = bcis[i];
    const VmRef pair = vsJavaHeap_newObjectArray(2);
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(pair)->elements[0], m.object);
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(pair)->elements[1], b.object);
    vsHandle_close(&m);
    return pair;
  }

  VmRef throwable(const char* className, VmRef message, VmRef trace) {
    VmHandle cls;
    vsHandle_push(&cls, vsTestHeap_newClass(className, vsRoot(kRootObject), sizeof(ThrowableObject)));
    const VmRef t = vsJavaHeap_newInstance(&cls.object, sizeof(ThrowableObject));
    vsJavaHeap_storeReference(&vsRef_as<ThrowableObject>(t)->detailMessage, message);
    vsJavaHeap_storeReference(&vsRef_as<ThrowableObject>(t)->backtrace, trace);
    vsHandle_close(&cls);
    return t;
  }

  static std::string trace(VmRef t) {
    vsTestPort_startCapture();
    vsException_printStackTrace(t);
    return vsTestPort_stopCapture().trace;
  }
};

TEST_F(PrintStackTraceTest, NameMessageAndOneLinePerFrame) {
  const VmRef holder = vsTestHeap_newClass("a/b/Worker", vsRoot(kRootObject), 4);
  const VmRef run = method(holder, "run");
  const VmRef main = method(holder, "main");
  const VmRef t = throwable("java/lang/IllegalStateException", javaString(u"bad \"state\"\n"),
                            backtrace({run, main}, {3, 17}));
  EXPECT_EQ(trace(t),
            "java.lang.IllegalStateException: bad \\\"state\\\"\\n\n"
            " - a/b/Worker.run(), bci=3\n"
            " - a/b/Worker.main(), bci=17\n");
}

TEST_F(PrintStackTraceTest, MissingDataEndsTheTraceAsIncomplete) {
  const VmRef holder = vsTestHeap_newClass("Worker", vsRoot(kRootObject), 4);
  const VmRef run = method(holder, "run");
  const std::string head = "java.lang.Error: 116\n";
  const std::string incomplete = "   (stack trace incomplete)\n";
  VmHandle ok;
  vsHandle_push(&ok, backtrace({run}, {5}));
  struct Case {
    const char* what;
    VmRef backtrace;
    std::string frames;
  };
  const Case kCases[] = {
      {"no backtrace: no frames recorded", 0, ""},
      {"a null method before the end", backtrace({run, 0, run}, {1, 2, 3}),
       " - Worker.run(), bci=1\n" + incomplete},
      {"empty arrays", backtrace({}, {}), ""},
      {"a backtrace that is not an Object[]", vsJavaHeap_newIntArray(2), incomplete},
      {"an Object[1]", vsJavaHeap_newObjectArray(1), incomplete},
      {"complete", ok.object, " - Worker.run(), bci=5\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(trace(throwable("java/lang/Error", javaString(u"116"), c.backtrace)), head + c.frames);
  }
  // Either array missing.
  VmHandle pair;
  vsHandle_push(&pair, backtrace({run}, {5}));
  vsRef_as<ObjectArray>(pair.object)->elements[1] = 0;
  EXPECT_EQ(trace(throwable("java/lang/Error", javaString(u"116"), pair.object)), head + incomplete);
  vsRef_as<ObjectArray>(pair.object)->elements[0] = 0;
  EXPECT_EQ(trace(throwable("java/lang/Error", javaString(u"116"), pair.object)), head + incomplete);
  vsHandle_close(&ok);
}

TEST_F(PrintStackTraceTest, MethodWithoutANameEntryEndsTheTrace) {
  const VmRef holder = vsTestHeap_newClass("Worker", vsRoot(kRootObject), 4);
  VmHandle m;
  vsHandle_push(&m, method(holder, "run"));
  const std::string expected = "java.lang.Error\n   (stack trace incomplete)\n";
  // An index past the pool, then an entry that is not a UTF-8 symbol.
  vsRef_as<MethodRecord>(m.object)->nameIndex = 3;
  EXPECT_EQ(trace(throwable("java/lang/Error", 0, backtrace({m.object}, {0}))), expected);
  vsRef_as<MethodRecord>(m.object)->nameIndex = 1;
  EXPECT_EQ(trace(throwable("java/lang/Error", 0, backtrace({m.object}, {0}))), expected);
  vsHandle_close(&m);
}

TEST_F(PrintStackTraceTest, ThrowableWithoutClassNameOrMessage) {
  const VmRef nameless = vsJavaHeap_newInstanceClass(0, 0, 0, 0, 2, sizeof(ThrowableObject));
  VmHandle cls;
  vsHandle_push(&cls, nameless);
  const VmRef t = vsJavaHeap_newInstance(&cls.object, sizeof(ThrowableObject));
  EXPECT_EQ(trace(t), "<Unknown exception type>\n");
  EXPECT_EQ(trace(0), "<Unknown exception type>\n   (stack trace incomplete)\n");
  vsHandle_close(&cls);
}

TEST_F(PrintStackTraceTest, LongMessagesPrintWhole) {
  const std::u16string message(150, u'm');
  const VmRef t = throwable("java/lang/Error", javaString(message), 0);
  EXPECT_EQ(trace(t), "java.lang.Error: " + std::string(150, 'm') + "\n");
}

}  // namespace
