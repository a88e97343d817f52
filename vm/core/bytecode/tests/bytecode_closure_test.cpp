// The decoder: every opcode's operation and arguments, the wide forms, ldc
// by pool tag, the ends of a walk and the order of prolog and epilog.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "tests/core/heap_fixture.h"
#include "vm/core/bytecode/bytecode_closure.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"

namespace {

using BytecodeClosureTest = HeapTest;

// Logs every operation as "name(arguments)", separated by blanks. An
// operation named in `raiseIn` makes an exception pending.
class Recorder : public vsBytecodeClosure {
 public:
  std::string log;
  std::string raiseIn;
  bool logFrame = false;  // prolog and epilog too
  void forbidResolution() { resolvesStrings = false; }

#define REC0(name)                \
  int32_t name() override {       \
    return note(#name "()");      \
  }
#define REC1(name, T1)                                         \
  int32_t name(T1 a) override {                                \
    return note(std::string(#name "(") + num(a) + ")");        \
  }
#define REC2(name, T1, T2)                                                  \
  int32_t name(T1 a, T2 b) override {                                       \
    return note(std::string(#name "(") + num(a) + "," + num(b) + ")");      \
  }
  int32_t prolog() override { return logFrame ? note("prolog()") : 0; }
  int32_t epilog() override { return logFrame ? note("epilog()") : 0; }
  REC1(pushInt, int32_t)
  REC2(pushLong, uint32_t, uint32_t)
  REC1(pushFloat, uint32_t)
  REC2(pushDouble, uint32_t, uint32_t)
  int32_t pushObject(const VmRef* object) override {
    return note(std::string("pushObject(") + (*object == 0 ? "0" : "object") + ")");
  }
  REC2(loadLocal, int32_t, uint32_t)
  REC2(storeLocal, int32_t, uint32_t)
  REC2(incrementLocal, uint32_t, int32_t)
  REC0(arrayLength)
  REC1(loadArray, int32_t)
  REC1(storeArray, int32_t)
  REC0(nop)
  REC0(pop)
  REC0(pop2)
  REC0(dup)
  REC0(dup2)
  REC0(dupX1)
  REC0(dup2X1)
  REC0(dupX2)
  REC0(dup2X2)
  REC0(swap)
  REC1(negate, int32_t)
  REC0(booleanNot)
  REC2(binaryOp, int32_t, int32_t)
  REC2(convert, int32_t, int32_t)
  REC2(branchIf, int32_t, int32_t)
  REC2(branchIfIntCompare, int32_t, int32_t)
  REC2(branchIfRefCompare, int32_t, int32_t)
  REC2(compare, int32_t, int32_t)
  REC1(branchAlways, int32_t)
  REC1(returnValue, int32_t)
  int32_t tableSwitch(uint32_t table, int32_t d, int32_t low, int32_t high) override {
    return note("tableSwitch(" + num(table) + "," + num(d) + "," + num(low) + "," + num(high) + ")");
  }
  int32_t lookupSwitch(uint32_t table, int32_t d, int32_t pairs) override {
    return note("lookupSwitch(" + num(table) + "," + num(d) + "," + num(pairs) + ")");
  }
  REC1(getField, uint32_t)
  REC1(putField, uint32_t)
  REC1(getStatic, uint32_t)
  REC1(putStatic, uint32_t)
  REC2(invokeInterface, uint32_t, uint32_t)
  REC1(invokeSpecial, uint32_t)
  REC1(invokeStatic, uint32_t)
  REC1(invokeVirtual, uint32_t)
  REC2(invokeNative, int32_t, uint32_t)
  REC0(throwException)
  REC1(newObject, uint32_t)
  REC1(newArray, int32_t)
  REC1(newObjectArray, uint32_t)
  REC2(newMultiArray, uint32_t, uint32_t)
  REC1(checkCast, uint32_t)
  REC1(instanceOf, uint32_t)
  REC0(monitorEnter)
  REC0(monitorExit)
  REC1(fastInvokeVirtual, uint32_t)
  REC1(fastInvokeDirect, uint32_t)
  REC1(fastInvokeSuper, uint32_t)
  REC2(fastGetField, int32_t, uint32_t)
  REC2(fastPutField, int32_t, uint32_t)
  // Slot 58 stays the base's.
  REC0(reserved)
  REC0(illegalInstruction)
#undef REC0
#undef REC1
#undef REC2

 private:
  template <class T>
  static std::string num(T v) {
    return std::to_string(v);
  }
  int32_t note(const std::string& entry) {
    if (!log.empty()) log += " ";
    log += entry;
    if (!raiseIn.empty() && entry.compare(0, raiseIn.size(), raiseIn) == 0) vsPendingException() = 1;
    return 0;
  }
};

// A method with the code and a pool of `poolCount` entries.
VmRef methodWithCode(std::initializer_list<uint8_t> code, uint16_t length, uint32_t poolCount = 8) {
  VmHandle pool;
  vsHandle_push(&pool, vsJavaHeap_newConstantPool(poolCount));
  const VmRef method = vsJavaHeap_newMethod(length);
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  std::copy(code.begin(), code.end(), m->code);
  m->constantPool = vsRef_as<ConstantPool>(pool.object);
  vsHandle_close(&pool);
  return method;
}

ConstantPool* poolOf(VmRef method) { return vsRef_as<MethodRecord>(method)->constantPool.get(); }

// The operations of every opcode at bci 0 of the code [op, 1, 2, 3, 4, 5, 6,
// 7, 0 ...] over a pool whose entry 1 is the Integer 77: operands read as
// 1 (byte), 258 (16 bits, big-endian), 513 (fast field, little-endian),
// 0x07060504 (the switch default and the native address, machine order).
constexpr const char* kExpected[256] = {
    /*   0 */ "nop()",
    /*   1 */ "pushObject(0)",
    /*   2 */ "pushInt(-1)",
    /*   3 */ "pushInt(0)",
    /*   4 */ "pushInt(1)",
    /*   5 */ "pushInt(2)",
    /*   6 */ "pushInt(3)",
    /*   7 */ "pushInt(4)",
    /*   8 */ "pushInt(5)",
    /*   9 */ "pushLong(0,0)",
    /*  10 */ "pushLong(1,0)",
    /*  11 */ "pushFloat(0)",
    /*  12 */ "pushFloat(1065353216)",
    /*  13 */ "pushFloat(1073741824)",
    /*  14 */ "pushDouble(0,0)",
    /*  15 */ "pushDouble(0,1072693248)",
    /*  16 */ "pushInt(1)",
    /*  17 */ "pushInt(258)",
    /*  18 */ "pushInt(77)",
    /*  19 */ "illegalInstruction()",
    /*  20 */ "illegalInstruction()",
    /*  21 */ "loadLocal(10,1)",
    /*  22 */ "loadLocal(11,1)",
    /*  23 */ "loadLocal(6,1)",
    /*  24 */ "loadLocal(7,1)",
    /*  25 */ "loadLocal(12,1)",
    /*  26 */ "loadLocal(10,0)",
    /*  27 */ "loadLocal(10,1)",
    /*  28 */ "loadLocal(10,2)",
    /*  29 */ "loadLocal(10,3)",
    /*  30 */ "loadLocal(11,0)",
    /*  31 */ "loadLocal(11,1)",
    /*  32 */ "loadLocal(11,2)",
    /*  33 */ "loadLocal(11,3)",
    /*  34 */ "loadLocal(6,0)",
    /*  35 */ "loadLocal(6,1)",
    /*  36 */ "loadLocal(6,2)",
    /*  37 */ "loadLocal(6,3)",
    /*  38 */ "loadLocal(7,0)",
    /*  39 */ "loadLocal(7,1)",
    /*  40 */ "loadLocal(7,2)",
    /*  41 */ "loadLocal(7,3)",
    /*  42 */ "loadLocal(12,0)",
    /*  43 */ "loadLocal(12,1)",
    /*  44 */ "loadLocal(12,2)",
    /*  45 */ "loadLocal(12,3)",
    /*  46 */ "loadArray(10)",
    /*  47 */ "loadArray(11)",
    /*  48 */ "loadArray(6)",
    /*  49 */ "loadArray(7)",
    /*  50 */ "loadArray(12)",
    /*  51 */ "loadArray(8)",
    /*  52 */ "loadArray(5)",
    /*  53 */ "loadArray(9)",
    /*  54 */ "storeLocal(10,1)",
    /*  55 */ "storeLocal(11,1)",
    /*  56 */ "storeLocal(6,1)",
    /*  57 */ "storeLocal(7,1)",
    /*  58 */ "storeLocal(12,1)",
    /*  59 */ "storeLocal(10,0)",
    /*  60 */ "storeLocal(10,1)",
    /*  61 */ "storeLocal(10,2)",
    /*  62 */ "storeLocal(10,3)",
    /*  63 */ "storeLocal(11,0)",
    /*  64 */ "storeLocal(11,1)",
    /*  65 */ "storeLocal(11,2)",
    /*  66 */ "storeLocal(11,3)",
    /*  67 */ "storeLocal(6,0)",
    /*  68 */ "storeLocal(6,1)",
    /*  69 */ "storeLocal(6,2)",
    /*  70 */ "storeLocal(6,3)",
    /*  71 */ "storeLocal(7,0)",
    /*  72 */ "storeLocal(7,1)",
    /*  73 */ "storeLocal(7,2)",
    /*  74 */ "storeLocal(7,3)",
    /*  75 */ "storeLocal(12,0)",
    /*  76 */ "storeLocal(12,1)",
    /*  77 */ "storeLocal(12,2)",
    /*  78 */ "storeLocal(12,3)",
    /*  79 */ "storeArray(10)",
    /*  80 */ "storeArray(11)",
    /*  81 */ "storeArray(6)",
    /*  82 */ "storeArray(7)",
    /*  83 */ "storeArray(12)",
    /*  84 */ "storeArray(8)",
    /*  85 */ "storeArray(5)",
    /*  86 */ "storeArray(9)",
    /*  87 */ "pop()",
    /*  88 */ "pop2()",
    /*  89 */ "dup()",
    /*  90 */ "dupX1()",
    /*  91 */ "dupX2()",
    /*  92 */ "dup2()",
    /*  93 */ "dup2X1()",
    /*  94 */ "dup2X2()",
    /*  95 */ "swap()",
    /*  96 */ "binaryOp(10,0)",
    /*  97 */ "binaryOp(11,0)",
    /*  98 */ "binaryOp(6,0)",
    /*  99 */ "binaryOp(7,0)",
    /* 100 */ "binaryOp(10,1)",
    /* 101 */ "binaryOp(11,1)",
    /* 102 */ "binaryOp(6,1)",
    /* 103 */ "binaryOp(7,1)",
    /* 104 */ "binaryOp(10,2)",
    /* 105 */ "binaryOp(11,2)",
    /* 106 */ "binaryOp(6,2)",
    /* 107 */ "binaryOp(7,2)",
    /* 108 */ "binaryOp(10,3)",
    /* 109 */ "binaryOp(11,3)",
    /* 110 */ "binaryOp(6,3)",
    /* 111 */ "binaryOp(7,3)",
    /* 112 */ "binaryOp(10,4)",
    /* 113 */ "binaryOp(11,4)",
    /* 114 */ "binaryOp(6,4)",
    /* 115 */ "binaryOp(7,4)",
    /* 116 */ "negate(10)",
    /* 117 */ "negate(11)",
    /* 118 */ "negate(6)",
    /* 119 */ "negate(7)",
    /* 120 */ "binaryOp(10,5)",
    /* 121 */ "binaryOp(11,5)",
    /* 122 */ "binaryOp(10,6)",
    /* 123 */ "binaryOp(11,6)",
    /* 124 */ "binaryOp(10,7)",
    /* 125 */ "binaryOp(11,7)",
    /* 126 */ "binaryOp(10,8)",
    /* 127 */ "binaryOp(11,8)",
    /* 128 */ "binaryOp(10,9)",
    /* 129 */ "binaryOp(11,9)",
    /* 130 */ "binaryOp(10,10)",
    /* 131 */ "binaryOp(11,10)",
    /* 132 */ "incrementLocal(1,2)",
    /* 133 */ "convert(10,11)",
    /* 134 */ "convert(10,6)",
    /* 135 */ "convert(10,7)",
    /* 136 */ "convert(11,10)",
    /* 137 */ "convert(11,6)",
    /* 138 */ "convert(11,7)",
    /* 139 */ "convert(6,10)",
    /* 140 */ "convert(6,11)",
    /* 141 */ "convert(6,7)",
    /* 142 */ "convert(7,10)",
    /* 143 */ "convert(7,11)",
    /* 144 */ "convert(7,6)",
    /* 145 */ "convert(10,8)",
    /* 146 */ "convert(10,5)",
    /* 147 */ "convert(10,9)",
    /* 148 */ "compare(11,2)",
    /* 149 */ "compare(6,4)",
    /* 150 */ "compare(6,6)",
    /* 151 */ "compare(7,4)",
    /* 152 */ "compare(7,6)",
    /* 153 */ "branchIf(2,258)",
    /* 154 */ "branchIf(3,258)",
    /* 155 */ "branchIf(4,258)",
    /* 156 */ "branchIf(7,258)",
    /* 157 */ "branchIf(6,258)",
    /* 158 */ "branchIf(5,258)",
    /* 159 */ "branchIfIntCompare(2,258)",
    /* 160 */ "branchIfIntCompare(3,258)",
    /* 161 */ "branchIfIntCompare(4,258)",
    /* 162 */ "branchIfIntCompare(7,258)",
    /* 163 */ "branchIfIntCompare(6,258)",
    /* 164 */ "branchIfIntCompare(5,258)",
    /* 165 */ "branchIfRefCompare(2,258)",
    /* 166 */ "branchIfRefCompare(3,258)",
    /* 167 */ "branchAlways(258)",
    /* 168 */ "illegalInstruction()",
    /* 169 */ "illegalInstruction()",
    /* 170 */ "tableSwitch(4,117835012,0,0)",
    /* 171 */ "lookupSwitch(4,117835012,0)",
    /* 172 */ "returnValue(10)",
    /* 173 */ "returnValue(11)",
    /* 174 */ "returnValue(6)",
    /* 175 */ "returnValue(7)",
    /* 176 */ "returnValue(12)",
    /* 177 */ "returnValue(14)",
    /* 178 */ "getStatic(258)",
    /* 179 */ "putStatic(258)",
    /* 180 */ "getField(258)",
    /* 181 */ "putField(258)",
    /* 182 */ "invokeVirtual(258)",
    /* 183 */ "invokeSpecial(258)",
    /* 184 */ "invokeStatic(258)",
    /* 185 */ "invokeInterface(258,3)",
    /* 186 */ "illegalInstruction()",
    /* 187 */ "newObject(258)",
    /* 188 */ "newArray(1)",
    /* 189 */ "newObjectArray(258)",
    /* 190 */ "arrayLength()",
    /* 191 */ "throwException()",
    /* 192 */ "checkCast(258)",
    /* 193 */ "instanceOf(258)",
    /* 194 */ "monitorEnter()",
    /* 195 */ "monitorExit()",
    /* 196 */ "illegalInstruction()",
    /* 197 */ "newMultiArray(258,3)",
    /* 198 */ "branchIf(0,258)",
    /* 199 */ "branchIf(1,258)",
    /* 200 */ "branchAlways(16909060)",
    /* 201 */ "illegalInstruction()",
    /* 202 */ "illegalInstruction()",
    /* 203 */ "pushInt(77)",
    /* 204 */ "illegalInstruction()",
    /* 205 */ "illegalInstruction()",
    /* 206 */ "putStatic(258)",
    /* 207 */ "putStatic(258)",
    /* 208 */ "putStatic(258)",
    /* 209 */ "getStatic(258)",
    /* 210 */ "getStatic(258)",
    /* 211 */ "fastPutField(8,513)",
    /* 212 */ "fastPutField(9,513)",
    /* 213 */ "fastPutField(10,2052)",
    /* 214 */ "fastPutField(11,2052)",
    /* 215 */ "fastPutField(6,2052)",
    /* 216 */ "fastPutField(7,2052)",
    /* 217 */ "fastPutField(12,2052)",
    /* 218 */ "fastGetField(8,513)",
    /* 219 */ "fastGetField(9,513)",
    /* 220 */ "fastGetField(10,2052)",
    /* 221 */ "fastGetField(11,2052)",
    /* 222 */ "fastGetField(6,2052)",
    /* 223 */ "fastGetField(7,2052)",
    /* 224 */ "fastGetField(12,2052)",
    /* 225 */ "fastGetField(5,513)",
    /* 226 */ "fastInvokeVirtual(258)",
    /* 227 */ "invokeStatic(258)",
    /* 228 */ "invokeInterface(258,3)",
    /* 229 */ "invokeNative(1,117835012) returnValue(1)",
    /* 230 */ "fastInvokeDirect(258)",
    /* 231 */ "fastInvokeSuper(258)",
    /* 232 */ "newObject(258)",
    /* 233 */ "newObjectArray(258)",
    /* 234 */ "checkCast(258)",
    /* 235 */ "instanceOf(258)",
    /* 236 */ "fastGetField(10,4)",
    /* 237 */ "fastGetField(12,4)",
    /* 238 */ "loadLocal(12,0) fastGetField(12,4)",
    /* 239 */ "loadLocal(12,0) fastGetField(10,4)",
    /* 240 */ "booleanNot()",
    /* 241 */ "illegalInstruction()",
    /* 242 */ "illegalInstruction()",
    /* 243 */ "illegalInstruction()",
    /* 244 */ "illegalInstruction()",
    /* 245 */ "illegalInstruction()",
    /* 246 */ "illegalInstruction()",
    /* 247 */ "illegalInstruction()",
    /* 248 */ "illegalInstruction()",
    /* 249 */ "illegalInstruction()",
    /* 250 */ "illegalInstruction()",
    /* 251 */ "illegalInstruction()",
    /* 252 */ "illegalInstruction()",
    /* 253 */ "illegalInstruction()",
    /* 254 */ "illegalInstruction()",
    /* 255 */ "illegalInstruction()",

};

TEST_F(BytecodeClosureTest, EveryOpcodeReachesItsOperation) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({}, 64));
  vsConstantPool_setEntry(poolOf(method.object), 1, kTagInt, 77);
  for (int op = 0; op < 256; ++op) {
    uint8_t* code = vsRef_as<MethodRecord>(method.object)->code;
    const uint8_t bytes[8] = {static_cast<uint8_t>(op), 1, 2, 3, 4, 5, 6, 7};
    std::copy(bytes, bytes + 8, code);
    Recorder r;
    r.logFrame = true;
    vsBytecodes_visit(&method.object, 0, &r);
    EXPECT_EQ(r.log, std::string("prolog() ") + kExpected[op] + " epilog()")
        << "opcode " << op << " " << vsBytecodes_name(static_cast<uint8_t>(op));
    EXPECT_EQ(r.log.find("reserved"), std::string::npos) << "opcode " << op;
  }
  vsHandle_close(&method);
}

TEST_F(BytecodeClosureTest, WalksEndWhereTheyShould) {
  const struct {
    const char* what;
    std::initializer_list<uint8_t> code;
    uint32_t from, to;
    const char* log;
  } cases[] = {
      {"empty range", {kOpNop, kOpNop}, 1, 1, ""},
      {"reversed range", {kOpNop, kOpNop}, 2, 1, ""},
      {"whole code", {kOpIconst1, kOpIstore0, kOpReturn}, 0, 3, "pushInt(1) storeLocal(10,0) returnValue(14)"},
      {"cut off by to", {kOpNop, kOpSipush, 0, 1, kOpNop}, 0, 2, "nop() illegalInstruction()"},
      {"cut off by the code", {kOpNop, kOpSipush, 0}, 0, 8, "nop() illegalInstruction()"},
      {"no length", {kOpNop, 241, kOpNop}, 0, 3, "nop() illegalInstruction()"},
      {"jsr", {kOpJsr, 0, 3, kOpNop}, 0, 4, "illegalInstruction()"},
      {"ret", {kOpRet, 0, kOpNop}, 0, 3, "illegalInstruction()"},
      {"jsr_w", {kOpJsrW, 0, 0, 0, 5, kOpNop}, 0, 6, "illegalInstruction()"},
      {"186", {kOpUnused186, 0, 1, 0, 0, kOpNop}, 0, 6, "illegalInstruction()"},
      {"wide ret", {kOpWide, kOpRet, 0, 1, kOpNop}, 0, 5, "illegalInstruction() nop()"},
      {"wide goto", {kOpWide, kOpGoto, 0, 1, kOpNop}, 0, 5, "illegalInstruction()"},
      {"wide loads", {kOpWide, kOpLload, 1, 2, kOpWide, kOpAstore, 0, 3}, 0, 8,
       "loadLocal(11,258) storeLocal(12,3)"},
      {"wide iinc", {kOpWide, kOpIinc, 1, 2, 0xff, 0xfe}, 0, 6, "incrementLocal(258,-2)"},
      {"tableswitch past the code", {kOpTableswitch, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0}, 0, 16,
       "illegalInstruction()"},
      {"huge lookupswitch", {kOpNop, kOpLookupswitch, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f}, 0, 12,
       "nop() illegalInstruction()"},
  };
  for (const auto& c : cases) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode(c.code, static_cast<uint16_t>(c.code.size())));
    Recorder r;
    vsBytecodes_iterate(&method.object, c.from, c.to, &r);
    EXPECT_EQ(r.log, c.log) << c.what;
    vsHandle_close(&method);
  }
}

TEST_F(BytecodeClosureTest, LdcDecodesByPoolTag) {
  const struct {
    uint8_t tag;
    const char* ldc;   // ldc, ldc_w and their fast forms
    const char* ldc2;  // ldc2_w and its fast form
  } cases[] = {
      {kTagInt, "pushInt(-5)", "illegalInstruction()"},
      {kTagFloat, "pushFloat(4294967291)", "illegalInstruction()"},
      {kTagLong, "illegalInstruction()", "pushLong(4294967291,9)"},
      {kTagDouble, "illegalInstruction()", "pushDouble(4294967291,9)"},
      {kTagResolvedString, "pushObject(object)", "illegalInstruction()"},
      {kTagUnresolvedString, "pushObject(0)", "illegalInstruction()"},
      {kTagClassFileString, "pushObject(0)", "illegalInstruction()"},
      {kTagResolvedClass, "illegalInstruction()", "illegalInstruction()"},
      {kTagUtf8, "illegalInstruction()", "illegalInstruction()"},
  };
  for (const auto& c : cases) {
    for (uint8_t op : {kOpLdc, kOpLdcW, kOpLdcFast, kOpLdcWFast, kOpLdc2W, kOpLdc2WFast}) {
      VmHandle method;
      const bool wide = op != kOpLdc && op != kOpLdcFast;
      vsHandle_push(&method, methodWithCode({op, static_cast<uint8_t>(wide ? 0 : 2), 2}, 3));
      // Entry 2 holds the constant (the method itself stands in for an
      // object); entry 3 the high word of a two-word one.
      const VmWord value = c.tag == kTagResolvedString ? method.object : static_cast<VmWord>(-5);
      vsConstantPool_setEntry(poolOf(method.object), 2, c.tag, value);
      vsConstantPool_setEntry(poolOf(method.object), 3, kTagInt, 9);
      Recorder r;
      r.forbidResolution();
      vsBytecodes_visit(&method.object, 0, &r);
      const bool two = op == kOpLdc2W || op == kOpLdc2WFast;
      EXPECT_EQ(r.log, two ? c.ldc2 : c.ldc) << vsBytecodes_name(op) << " of tag " << int{c.tag};
      vsHandle_close(&method);
    }
  }
}

TEST_F(BytecodeClosureTest, LdcOutsideThePoolIsIllegal) {
  const struct {
    std::initializer_list<uint8_t> code;
    uint32_t poolCount;
  } cases[] = {{{kOpLdc, 4}, 4}, {{kOpLdcW, 0, 4}, 4}, {{kOpLdc2W, 0, 3}, 4}, {{kOpLdc2WFast, 0, 9}, 4}};
  for (const auto& c : cases) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode(c.code, static_cast<uint16_t>(c.code.size()), c.poolCount));
    for (uint32_t i = 0; i < c.poolCount; ++i) vsConstantPool_setEntry(poolOf(method.object), i, kTagLong, 0);
    Recorder r;
    vsBytecodes_visit(&method.object, 0, &r);
    EXPECT_EQ(r.log, "illegalInstruction()") << vsBytecodes_name(*c.code.begin());
    vsHandle_close(&method);
  }
}

TEST_F(BytecodeClosureTest, ANativeReturnsAndEndsOnlyWhenNothingRaised) {
  const struct {
    const char* raiseIn;
    const char* log;
  } cases[] = {
      {"", "prolog() invokeNative(11,305419896) returnValue(11) epilog()"},
      {"invokeNative", "prolog() invokeNative(11,305419896)"},
      {"returnValue", "prolog() invokeNative(11,305419896) returnValue(11)"},
      {"prolog", "prolog()"},
  };
  for (const auto& c : cases) {
    VmHandle method;
    vsHandle_push(&method, methodWithCode({kOpInvokeNative, kTypeLong, 0, 0, 0x78, 0x56, 0x34, 0x12}, 8));
    Recorder r;
    r.logFrame = true;
    r.raiseIn = c.raiseIn;
    vsBytecodes_visit(&method.object, 0, &r);
    EXPECT_EQ(r.log, c.log) << "raising in '" << c.raiseIn << "'";
    vsPendingException() = 0;
    vsHandle_close(&method);
  }
}

TEST_F(BytecodeClosureTest, AWalkStopsAtThePendingExceptionWithBciAtTheInstruction) {
  VmHandle method;
  vsHandle_push(&method, methodWithCode({kOpNop, kOpAload0GetfieldWord1RefFast, 3, kOpNop}, 4));
  Recorder r;
  r.raiseIn = "loadLocal";
  vsBytecodes_iterate(&method.object, 0, 4, &r);
  EXPECT_EQ(r.log, "nop() loadLocal(12,0)");
  EXPECT_EQ(r.bci, 1u);
  vsPendingException() = 0;
  vsHandle_close(&method);
}

TEST_F(BytecodeClosureTest, AClosureDropsItsHandlesWhenItEnds) {
  const VmPtr<VmHandle> before = vsLocalRootList;
  {
    Recorder r;
    VmHandle own;
    vsHandle_pushEmpty(&own);
    EXPECT_NE(vsLocalRootList.get(), before.get());
  }
  EXPECT_EQ(vsLocalRootList.get(), before.get());
}

}  // namespace
