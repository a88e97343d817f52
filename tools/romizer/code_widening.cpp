// Widening of ldc to ldc_w (see code_widening.h).
#include "tools/romizer/code_widening.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "vm/core/interp/method_helpers.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"

namespace {

constexpr uint32_t kMaxCodeBytes = 65535;
constexpr uint8_t kFirstOpcodeWithoutLength = 241;
constexpr uint32_t kLdcWLength = 3;
// A stack-map item that names the new instruction of an uninitialised
// object: (offset & 0x0FFF) | 0x1000 | ((offset & 0xF000) << 1), for
// offsets below 32768, as the class-file parser stores it.
constexpr uint16_t kNewSiteBit = 0x1000;
constexpr uint32_t kNewSiteLimit = 32768;

struct Instruction {
  uint32_t bci;
  uint32_t length;
};

std::string format(const char* text, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* text, ...) {
  char buffer[160];
  va_list args;
  va_start(args, text);
  std::vsnprintf(buffer, sizeof buffer, text, args);
  va_end(args);
  return buffer;
}

int32_t machineIntAt(const uint8_t* p) {
  int32_t value;
  std::memcpy(&value, p, 4);
  return value;
}

void setMachineIntAt(uint8_t* p, int32_t value) { std::memcpy(p, &value, 4); }

int32_t bigEndianIntAt(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
}

void setBigEndianIntAt(uint8_t* p, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

// Where the operand words of a switch at bci begin.
uint32_t switchOperands(uint32_t bci) { return (bci + 4) & ~uint32_t{3}; }

bool isSwitch(uint8_t opcode) { return opcode == kOpTableswitch || opcode == kOpLookupswitch; }

bool isShortBranch(uint8_t opcode) {
  return (opcode >= kOpIfeq && opcode <= kOpGoto) || opcode == kOpIfnull || opcode == kOpIfnonnull;
}

// The length of the switch at bci; 0 when its table is negative or runs
// past the code.
uint32_t switchLength(const uint8_t* code, uint32_t length, uint32_t bci) {
  const uint32_t p = switchOperands(bci);
  const bool table = code[bci] == kOpTableswitch;
  const int64_t head = table ? 12 : 8;
  if (p + head > length) return 0;
  int64_t end;
  if (table) {
    const int64_t low = machineIntAt(code + p + 4);
    const int64_t high = machineIntAt(code + p + 8);
    if (high < low) return 0;
    end = p + head + 4 * (high - low + 1);
  } else {
    const int64_t pairs = machineIntAt(code + p + 4);
    if (pairs < 0) return 0;
    end = p + head + 8 * pairs;
  }
  return end > length ? 0 : static_cast<uint32_t>(end - bci);
}

std::string walkCode(const uint8_t* code, uint32_t length, std::vector<Instruction>* out) {
  for (uint32_t bci = 0; bci < length;) {
    const uint8_t opcode = code[bci];
    uint32_t n = vsBytecodes_tableLength(opcode);
    if (isSwitch(opcode))
      n = switchLength(code, length, bci);
    else if (opcode == kOpWide)
      n = bci + 1 < length ? vsBytecodes_wideLength(code[bci + 1]) : 0;
    if (opcode >= kFirstOpcodeWithoutLength || n == 0 || n == kLengthNotAllowed || n > length - bci)
      return format("no instruction of opcode %u at bci %" PRIu32 " can be laid out", opcode, bci);
    out->push_back({bci, n});
    bci += n;
  }
  return "";
}

// The index of each instruction's site in `sites` (sorted by bci), or -1.
std::string matchSites(const uint8_t* code, const std::vector<Instruction>& instructions,
                       const std::vector<LdcWidening>& sites, std::vector<int32_t>* siteOf) {
  siteOf->assign(instructions.size(), -1);
  for (size_t k = 0; k < sites.size(); ++k) {
    const uint32_t bci = sites[k].bci;
    const auto at = std::lower_bound(instructions.begin(), instructions.end(), bci,
                                     [](const Instruction& i, uint32_t b) { return i.bci < b; });
    if (at == instructions.end() || at->bci != bci || code[bci] != kOpLdc)
      return format("the site at bci %" PRIu32 " is not an ldc", bci);
    int32_t& slot = (*siteOf)[static_cast<size_t>(at - instructions.begin())];
    if (slot >= 0) return format("the site at bci %" PRIu32 " is listed twice", bci);
    slot = static_cast<int32_t>(k);
  }
  return "";
}

// The new offset of a branch by `offset` from the instruction at old bci
// `from`, now at `to`; false when the target is no instruction.
bool newBranchOffset(const BciMap& map, uint32_t length, uint32_t from, uint32_t to, int64_t offset, int64_t* out) {
  const int64_t target = int64_t{from} + offset;
  uint32_t newTarget;
  if (target < 0 || target >= length || !romizer_newBci(map, static_cast<uint32_t>(target), &newTarget)) return false;
  *out = int64_t{newTarget} - to;
  return true;
}

// Copies the switch at old bci `from` to `to` with its padding and offsets
// redone.
std::string emitSwitch(const uint8_t* code, uint32_t length, const Instruction& in, uint32_t to,
                       const BciMap& map, uint8_t* out) {
  const uint32_t from = in.bci;
  const uint8_t* src = code + switchOperands(from);
  uint8_t* dst = out + switchOperands(to) - to;
  const uint32_t operandBytes = from + in.length - switchOperands(from);
  out[0] = code[from];
  std::memcpy(dst, src, operandBytes);
  std::vector<uint32_t> offsetsAt{0};
  if (code[from] == kOpTableswitch) {
    for (uint32_t at = 12; at < operandBytes; at += 4) offsetsAt.push_back(at);
  } else {
    for (uint32_t at = 12; at < operandBytes; at += 8) offsetsAt.push_back(at);
  }
  for (const uint32_t at : offsetsAt) {
    int64_t offset;
    if (!newBranchOffset(map, length, from, to, machineIntAt(src + at), &offset))
      return format("the switch at bci %" PRIu32 " jumps to no instruction", from);
    setMachineIntAt(dst + at, static_cast<int32_t>(offset));
  }
  return "";
}

std::string emitBranch(const uint8_t* code, uint32_t length, uint32_t from, uint32_t to, const BciMap& map,
                       uint8_t* out) {
  const uint8_t opcode = code[from];
  if (opcode == kOpGotoW) {
    int64_t offset;
    if (!newBranchOffset(map, length, from, to, bigEndianIntAt(code + from + 1), &offset))
      return format("the branch at bci %" PRIu32 " jumps to no instruction", from);
    setBigEndianIntAt(out + 1, static_cast<int32_t>(offset));
    return "";
  }
  const int16_t old = static_cast<int16_t>(code[from + 1] << 8 | code[from + 2]);
  int64_t offset;
  if (!newBranchOffset(map, length, from, to, old, &offset))
    return format("the branch at bci %" PRIu32 " jumps to no instruction", from);
  if (offset < INT16_MIN || offset > INT16_MAX)
    return format("the branch at bci %" PRIu32 " reaches past 32767 bytes after widening", from);
  out[1] = static_cast<uint8_t>(static_cast<uint16_t>(offset) >> 8);
  out[2] = static_cast<uint8_t>(offset);
  return "";
}

// The old bci of an exception-table or stack-map entry in the new code:
// an instruction, or with `endAllowed` also the end of the code.
bool mapEntry(const BciMap& map, uint32_t oldLength, uint32_t oldBci, bool endAllowed, uint32_t* out) {
  return (oldBci < oldLength || (endAllowed && oldBci == oldLength)) && romizer_newBci(map, oldBci, out);
}

// The exception table's values {start, end, handler, catch type} in the new
// code.
std::string mapExceptionTable(const BciMap& map, uint32_t oldLength, VmRef table, std::vector<uint16_t>* out) {
  if (table == 0) return "";
  const ShortArray* t = vsRef_as<ShortArray>(table);
  if (t->length % 4 != 0) return "the exception table is not a run of 4-value entries";
  for (int32_t i = 0; i < t->length; i += 4) {
    uint32_t v[4];
    for (int32_t k = 0; k < 4; ++k) v[k] = static_cast<uint16_t>(t->elements[i + k]);
    if (!mapEntry(map, oldLength, v[0], false, &v[0]) || !mapEntry(map, oldLength, v[1], true, &v[1]) ||
        !mapEntry(map, oldLength, v[2], false, &v[2]))
      return format("exception-table entry %d does not lie on instructions", i / 4);
    for (int32_t k = 0; k < 4; ++k) out->push_back(static_cast<uint16_t>(v[k]));
  }
  return "";
}

// One stack-map item of frame f in the new code: a new-site item moves
// with its instruction, the others stay.
std::string mapItem(const BciMap& map, uint32_t oldLength, int32_t f, uint16_t* item) {
  if ((*item & kNewSiteBit) == 0) return "";
  const uint32_t site = (*item & 0x0FFFu) | ((*item >> 1) & 0xF000u);
  uint32_t moved;
  if (!mapEntry(map, oldLength, site, false, &moved)) return format("stack-map frame %d does not fit the code", f);
  if (moved >= kNewSiteLimit)
    return format("stack-map frame %d names a new instruction past bci 32767 after widening", f);
  *item = static_cast<uint16_t>((moved & 0x0FFF) | kNewSiteBit | ((moved & 0xF000) << 1));
  return "";
}

// The frames of the parser's stack map ({offset, locals count, locals...,
// stack count, stack...} each) in the new code.
std::string mapStackMap(const BciMap& map, uint32_t oldLength, VmRef stackMap,
                        std::vector<std::vector<uint16_t>>* out) {
  if (stackMap == 0) return "";
  const ObjectArray* frames = vsRef_as<ObjectArray>(stackMap);
  if (frames->length % 2 != 0) return "the stack map is not a run of frame pairs";
  for (int32_t f = 0; f < frames->length / 2; ++f) {
    const std::string bad = format("stack-map frame %d does not fit the code", f);
    const VmRef types = frames->elements[2 * f];
    if (types == 0) return bad;
    const ShortArray* t = vsRef_as<ShortArray>(types);
    std::vector<uint16_t> frame(static_cast<size_t>(std::max(t->length, 0)));
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint16_t>(t->elements[i]);
    uint32_t offset;
    if (frame.size() < 3 || !mapEntry(map, oldLength, frame[0], false, &offset)) return bad;
    frame[0] = static_cast<uint16_t>(offset);
    size_t at = 1;
    for (int part = 0; part < 2; ++part) {
      if (at >= frame.size() || frame[at] > frame.size() - at - 1) return bad;
      const size_t end = at + 1 + frame[at];
      for (++at; at < end; ++at) {
        const std::string reason = mapItem(map, oldLength, f, &frame[at]);
        if (!reason.empty()) return reason;
      }
    }
    if (at != frame.size()) return bad;
    out->push_back(std::move(frame));
  }
  return "";
}

// A new method record with the fields of *old, the code, and the exception
// table and stack map made from the values; 0 with an exception pending.
VmRef buildRecord(const VmRef* old, const std::vector<uint8_t>& code, const std::vector<uint16_t>& handlers,
                  const std::vector<std::vector<uint16_t>>& frames) {
  VmHandle created;
  VmHandle table;
  VmHandle map;
  VmHandle frame;
  vsHandle_push(&created, vsJavaHeap_newMethod(static_cast<uint16_t>(code.size())));
  vsHandle_pushCopy(&table, &vsRef_as<MethodRecord>(*old)->exceptionTable);
  vsHandle_pushCopy(&map, &vsRef_as<MethodRecord>(*old)->stackMap);
  vsHandle_pushEmpty(&frame);
  bool ok = created.object != 0;
  if (ok && !handlers.empty()) {
    table.object = vsJavaHeap_newShortArray(static_cast<int32_t>(handlers.size()));
    ok = table.object != 0;
    for (size_t i = 0; ok && i < handlers.size(); ++i)
      vsRef_as<ShortArray>(table.object)->elements[i] = static_cast<int16_t>(handlers[i]);
  }
  if (ok && !frames.empty()) {
    map.object = vsJavaHeap_newObjectArray(static_cast<int32_t>(2 * frames.size()));
    ok = map.object != 0;
    for (size_t f = 0; ok && f < frames.size(); ++f) {
      frame.object = vsJavaHeap_newShortArray(static_cast<int32_t>(frames[f].size()));
      ok = frame.object != 0;
      if (!ok) break;
      for (size_t i = 0; i < frames[f].size(); ++i)
        vsRef_as<ShortArray>(frame.object)->elements[i] = static_cast<int16_t>(frames[f][i]);
      // The class names of a frame's items do not move: the frame keeps them.
      const VmRef names = vsRef_as<ObjectArray>(vsRef_as<MethodRecord>(*old)->stackMap)->elements[2 * f + 1];
      ObjectArray* m = vsRef_as<ObjectArray>(map.object);
      vsJavaHeap_storeReference(&m->elements[2 * f], frame.object);
      vsJavaHeap_storeReference(&m->elements[2 * f + 1], names);
    }
  }
  VmRef result = 0;
  if (ok) {
    const MethodRecord* from = vsRef_as<MethodRecord>(*old);
    MethodRecord* m = vsRef_as<MethodRecord>(created.object);
    vsJavaHeap_storeReference(&m->constantPool.raw, from->constantPool.raw);
    vsJavaHeap_storeReference(&m->exceptionTable, table.object);
    vsJavaHeap_storeReference(&m->stackMap, map.object);
    m->ownEntry = from->ownEntry;
    // An entry word outside the record stays shared; the record's own one
    // is the new record's own.
    if (from->entryWord.get() != &from->ownEntry) m->entryWord = from->entryWord;
    vsMethod_copyHead(m, from);
    std::memcpy(m->code, code.data(), code.size());
    result = created.object;
  }
  vsHandle_close(&created);
  return result;
}

std::string symbolText(VmRef symbol) {
  if (symbol == 0) return "?";
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  return std::string(reinterpret_cast<const char*>(s->bytes), s->length);
}

[[noreturn]] void failFor(const RomizerModel& model, const MethodRecord* method, const std::string& reason) {
  const VmRef cls = method->classId < model.classes.size() ? model.classes[method->classId] : 0;
  const std::string className = cls != 0 ? symbolText(vsRef_of(vsClass_name(vsRef_as<ClassRecord>(cls)))) : "?";
  romizer_fail("%s.%s: %s", className.c_str(), symbolText(vsMethod_name(method)).c_str(), reason.c_str());
}

// Every methods-array element, virtual-table entry and interface-table
// method slot that holds `from` gets `to`.
void replaceMethod(const RomizerModel& model, VmRef from, VmRef to) {
  for (const VmRef c : model.classes) {
    if (c == 0) continue;
    const ClassRecord* cls = vsRef_as<ClassRecord>(c);
    ClassInfo* info = cls->classInfo.get();
    if (!vsClass_isArrayClass(cls) && info->methods != 0) {
      ObjectArray* methods = vsRef_as<ObjectArray>(info->methods);
      for (int32_t i = 0; i < methods->length; ++i)
        if (methods->elements[i] == from) vsJavaHeap_storeReference(&methods->elements[i], to);
    }
    // The interface table's method tables fill the record behind its
    // {interface id, offset} pairs.
    const uint32_t pairsEnd = info->vtableLength + 2u * info->itableLength;
    if (info->recordSize < kClassInfoFixedBytes + 4 * pairsEnd)
      romizer_fail("%s: class-info record shorter than its tables", symbolText(info->name.raw).c_str());
    const uint32_t words = (info->recordSize - kClassInfoFixedBytes) / 4;
    auto replaceIn = [&](uint32_t first, uint32_t end) {
      for (uint32_t i = first; i < end; ++i)
        if (info->vtable[i] == from) vsJavaHeap_storeReference(&info->vtable[i], to);
    };
    replaceIn(0, info->vtableLength);
    replaceIn(pairsEnd, words);
  }
}

}  // namespace

bool romizer_newBci(const BciMap& map, uint32_t oldBci, uint32_t* newBci) {
  const auto at = std::lower_bound(map.oldBcis.begin(), map.oldBcis.end(), oldBci);
  if (at == map.oldBcis.end() || *at != oldBci) return false;
  *newBci = map.newBcis[static_cast<size_t>(at - map.oldBcis.begin())];
  return true;
}

std::string romizer_widenCode(const uint8_t* code, uint32_t length, const std::vector<LdcWidening>& sites,
                              WidenedCode* out) {
  std::vector<Instruction> instructions;
  std::string reason = walkCode(code, length, &instructions);
  if (!reason.empty()) return reason;
  std::vector<LdcWidening> sorted(sites);
  std::sort(sorted.begin(), sorted.end(), [](const LdcWidening& a, const LdcWidening& b) { return a.bci < b.bci; });
  std::vector<int32_t> siteOf;
  reason = matchSites(code, instructions, sorted, &siteOf);
  if (!reason.empty()) return reason;

  BciMap& map = out->bcis;
  map.oldBcis.clear();
  map.newBcis.clear();
  uint64_t at = 0;
  for (size_t i = 0; i < instructions.size(); ++i) {
    const Instruction& in = instructions[i];
    map.oldBcis.push_back(in.bci);
    map.newBcis.push_back(static_cast<uint32_t>(at));
    if (siteOf[i] >= 0)
      at += kLdcWLength;
    else if (isSwitch(code[in.bci]))
      at += (switchOperands(static_cast<uint32_t>(at)) - at) + (in.bci + in.length - switchOperands(in.bci));
    else
      at += in.length;
  }
  if (at > kMaxCodeBytes) return format("code of %" PRIu64 " bytes after widening ldc, above 65535", at);
  map.oldBcis.push_back(length);
  map.newBcis.push_back(static_cast<uint32_t>(at));

  out->code.assign(at, 0);
  for (size_t i = 0; i < instructions.size(); ++i) {
    const Instruction& in = instructions[i];
    const uint32_t to = map.newBcis[i];
    uint8_t* dst = out->code.data() + to;
    const uint8_t opcode = code[in.bci];
    if (siteOf[i] >= 0) {
      const uint16_t index = sorted[static_cast<size_t>(siteOf[i])].index;
      dst[0] = kOpLdcW;
      dst[1] = static_cast<uint8_t>(index >> 8);
      dst[2] = static_cast<uint8_t>(index);
    } else if (isSwitch(opcode)) {
      reason = emitSwitch(code, length, in, to, map, dst);
    } else {
      std::memcpy(dst, code + in.bci, in.length);
      if (isShortBranch(opcode) || opcode == kOpGotoW) reason = emitBranch(code, length, in.bci, to, map, dst);
    }
    if (!reason.empty()) return reason;
  }
  return "";
}

VmRef romizer_widenLdc(RomizerModel& model, VmRef method, const std::vector<LdcWidening>& sites) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method);
  if ((m->accessFlags & (kMethodNative | kMethodAbstract)) != 0) failFor(model, m, "a method without code has no ldc");
  WidenedCode widened;
  std::vector<uint16_t> handlers;
  std::vector<std::vector<uint16_t>> frames;
  std::string reason = romizer_widenCode(m->code, m->codeLength, sites, &widened);
  if (reason.empty()) reason = mapExceptionTable(widened.bcis, m->codeLength, m->exceptionTable, &handlers);
  if (reason.empty()) reason = mapStackMap(widened.bcis, m->codeLength, m->stackMap, &frames);
  if (!reason.empty()) failFor(model, m, reason);

  VmHandle old;
  vsHandle_push(&old, method);
  const VmRef created = buildRecord(&old.object, widened.code, handlers, frames);
  const VmRef moved = old.object;
  vsHandle_close(&old);
  if (created == 0) failFor(model, vsRef_as<MethodRecord>(moved), "no memory for the widened method");
  replaceMethod(model, moved, created);
  return created;
}
