// System properties for natives (see properties.h).
#include "vm/core/natives/properties.h"

#include <cstring>

#include "port/property.h"
#include "vm/core/natives/char_conv.h"
#include "vm/core/natives/native_hooks.h"
#include "vm/core/natives/native_method.h"
#include "vm/services/memory/trace_log.h"

VS_VMBSS(VmWord) vsProperty_buffer;

namespace {

struct FixedProperty {
  const char* key;
  const char* value;
};

// The fixed table, row for row, ended by the {0, 0} row.
constexpr FixedProperty kFixedProperties[] = {
    {"microedition.configuration", kVsMicroeditionConfiguration},
    {"microedition.platform", "j2me"},
    {"microedition.locale", "ja-JP"},
    {"microedition.encoding", "ISO-8859-1"},
    {"UTF_8_InternalEncodingName", "UTF8"},
    {"LATIN1_InternalEncodingName", "ISO8859_1"},
    {"_8859_1_InternalEncodingName", "ISO8859_1"},
    {"ISO_8859_1_InternalEncodingName", "ISO8859_1"},
    {"LATIN2_InternalEncodingName", "ISO8859_2"},
    {"_8859_2_InternalEncodingName", "ISO8859_2"},
    {"ISO_8859_2_InternalEncodingName", "ISO8859_2"},
    {"LATIN3_InternalEncodingName", "ISO8859_3"},
    {"_8859_3_InternalEncodingName", "ISO8859_3"},
    {"ISO_8859_3_InternalEncodingName", "ISO8859_3"},
    {"LATIN4_InternalEncodingName", "ISO8859_4"},
    {"_8859_4_InternalEncodingName", "ISO8859_4"},
    {"ISO_8859_4_InternalEncodingName", "ISO8859_4"},
    {"_8859_5_InternalEncodingName", "ISO8859_5"},
    {"ISO_8859_5_InternalEncodingName", "ISO8859_5"},
    {"_8859_6_InternalEncodingName", "ISO8859_6"},
    {"ISO_8859_6_InternalEncodingName", "ISO8859_6"},
    {"_8859_7_InternalEncodingName", "ISO8859_7"},
    {"ISO_8859_7_InternalEncodingName", "ISO8859_7"},
    {"_8859_8_InternalEncodingName", "ISO8859_8"},
    {"ISO_8859_8_InternalEncodingName", "ISO8859_8"},
    {"LATIN5_InternalEncodingName", "ISO8859_9"},
    {"_8859_9_InternalEncodingName", "ISO8859_9"},
    {"ISO_8859_9_InternalEncodingName", "ISO8859_9"},
    {"LATIN7_InternalEncodingName", "ISO8859_13"},
    {"_8859_13_InternalEncodingName", "ISO8859_13"},
    {"ISO_8859_13_InternalEncodingName", "ISO8859_13"},
    {"LATIN9_InternalEncodingName", "ISO8859_15"},
    {"_8859_15_InternalEncodingName", "ISO8859_15"},
    {"ISO_8859_15_InternalEncodingName", "ISO8859_15"},
    {"GB2312_InternalEncodingName", "Euc_Cn"},
    {"EUC_CN_InternalEncodingName", "Euc_Cn"},
    {"GB2312_80_InternalEncodingName", "Euc_Cn"},
    {"GB2312_1980_InternalEncodingName", "Euc_Cn"},
    {"EUCCN_InternalEncodingName", "Euc_Cn"},
    {"BIG5_InternalEncodingName", "Big5"},
    {"UTF_16_InternalEncodingName", "UTF16"},
    {"UTF_16BE_InternalEncodingName", "UTF16BE"},
    {"UTF_16LE_InternalEncodingName", "UTF16LE"},
    {"microedition.profiles", "MIDP-2.0"},
    {"microedition.m3g.version", "1.0"},
    {nullptr, nullptr},
};
static_assert(sizeof kFixedProperties / sizeof kFixedProperties[0] == 46);

// The conversion steps' flag that replaces what cannot be converted.
constexpr uint32_t kSubstitute = 8;

}  // namespace

void vsProperty_initialize() {
  void* buffer = vsMemory_allocPointer(kPropertyBufferBytes);
  if (buffer == nullptr) vsNativeMethod_fatalOutOfMemory();
  vsProperty_buffer = vsWord_fromPointer(buffer);
}

const char* vsProperty_getUtf8(const char* key) {
  char* buffer = vsWord_toPointer<char>(vsProperty_buffer);
  const int32_t keyBytes = static_cast<int32_t>(std::strlen(key));
  if (keyBytes == 0) {
    vsTraceLog_trace("vsProperty_getUtf8: key can't be empty");
    buffer[0] = '\0';
    return buffer;
  }
  const int32_t asked = vsProperty_askPort(JkPropertyGetString, "JkPropertyGetString", key, buffer,
                                           kPropertyBufferBytes);
  if (asked < 0) return nullptr;
  return asked == 0 ? vsProperty_getFixed(key) : buffer;
}

int32_t vsProperty_askPort(VsPortStringGetter getter, const char* getterName, const char* key, char* buffer,
                           int32_t bufferBytes) {
  // The key's UTF-16 form, at most bufferBytes / 2 units: a longer key
  // fills the units and stops short of its end.
  const int32_t keyBytes = static_cast<int32_t>(std::strlen(key));
  uint16_t* units = reinterpret_cast<uint16_t*>(buffer);
  int32_t keyUnits = 0;
  int32_t errors = 0;
  const int32_t consumed = vsCharConv_utf8ToUtf16(reinterpret_cast<const uint8_t*>(key), 0, keyBytes, units, 0,
                                                  bufferBytes / 2, &keyUnits, nullptr, &errors, kSubstitute);
  if (consumed != keyBytes) return -1;
  int32_t valueUnits = 0;
  const uint16_t* value = getter(units, keyUnits, &valueUnits);
  if (value == nullptr) return 0;
  int32_t valueBytes = 0;
  if (vsCharConv_utf16ToUtf8(value, 0, valueUnits, reinterpret_cast<uint8_t*>(buffer), 0, bufferBytes - 1,
                             &valueBytes, &errors, kSubstitute) < 0) {
    vsTraceLog_error("%s() returned too large string.\n", getterName);
    vsNativeMethod_fatalError("bufferOverflow");
  }
  buffer[valueBytes] = '\0';
  return 1;
}

const char* vsProperty_getFixed(const char* key) {
  const size_t length = std::strlen(key);
  for (const FixedProperty& p : kFixedProperties) {
    if (p.key == nullptr) continue;
    if (std::strlen(p.key) == length && std::memcmp(p.key, key, length) == 0) return p.value;
  }
  return nullptr;
}
