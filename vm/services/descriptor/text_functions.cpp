// Text helpers of the suite-descriptor service (see text_functions.h).
#include "vm/services/descriptor/text_functions.h"

#include <cstring>
#include <iterator>

#include "vm/services/descriptor/descriptor_codes.h"
#include "vm/services/descriptor/supported_values.h"

namespace {

constexpr int32_t kIntMax = 0x7FFFFFFF;
constexpr int32_t kIntMin = static_cast<int32_t>(0x80000000u);

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool namesOneOf(const VsSupportedName* table, size_t rows, const char* value, int32_t length) {
  for (size_t i = 0; i < rows; ++i)
    if (length == table[i].length && std::memcmp(value, table[i].name, length) == 0) return true;
  return false;
}

}  // namespace

int32_t OamsParseInt(const char* text, int32_t length, int32_t* error) {
  if (text == nullptr || length < 1) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return kIntMax;
  }
  int32_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '+' || negative) i = 1;
  if (i == length) {
    vsDescriptor_setError(error, kOamsMalformed);
    return kIntMax;
  }
  // The magnitude may reach 2^31 for a negative number.
  const int64_t limit = negative ? int64_t{1} << 31 : kIntMax;
  int64_t value = 0;
  bool outOfRange = false;
  for (; i < length; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') {
      vsDescriptor_setError(error, kOamsMalformed);
      return kIntMax;
    }
    if (!outOfRange) {
      value = value * 10 + (c - '0');
      if (value > limit) outOfRange = true;
    }
  }
  if (outOfRange) {
    vsDescriptor_setError(error, kOamsNumberRange);
    return negative ? kIntMin : kIntMax;
  }
  vsDescriptor_setError(error, kOamsOk);
  return static_cast<int32_t>(negative ? -value : value);
}

int32_t OamsFindBytes(const char* text, int32_t from, int32_t to, const char* pattern,
                      int32_t patternLength) {
  if (text == nullptr || pattern == nullptr || from < 0 || to < 0 || from > to ||
      patternLength < 1)
    return kOamsBadArgument;
  for (int32_t p = from; p <= to - patternLength; ++p)
    if (std::memcmp(text + p, pattern, patternLength) == 0) return p;
  return kOamsNotFound;
}

const char* OamsTrimBlanks(const char* text, int32_t length, int32_t* trimmedLength,
                           int32_t* error) {
  if (text == nullptr || length < 0 || trimmedLength == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return nullptr;
  }
  int32_t start = 0;
  while (start < length && isBlank(text[start])) ++start;
  int32_t end = length;
  while (end > start && isBlank(text[end - 1])) --end;
  *trimmedLength = end - start;
  vsDescriptor_setError(error, kOamsOk);
  return text + start;
}

int32_t OamsCsvCountFields(const char* text, int32_t length) {
  if (text == nullptr || length < 0) return kOamsBadArgument;
  int32_t fields = 1;
  for (int32_t i = 0; i < length; ++i)
    if (text[i] == ',') ++fields;
  return fields;
}

const char* OamsCsvGetField(const char* text, int32_t length, int32_t index,
                            int32_t* fieldLength, int32_t* error) {
  if (text == nullptr || length < 0 || index < 0 || fieldLength == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return nullptr;
  }
  int32_t start = 0;
  for (int32_t field = 0; field < index; ++field) {
    const int32_t comma = start < length ? OamsFindBytes(text, start, length, ",", 1)
                                         : kOamsNotFound;
    if (comma < 0) {
      vsDescriptor_setError(error, kOamsNotFound);
      return nullptr;
    }
    start = comma + 1;
  }
  int32_t end = start < length ? OamsFindBytes(text, start, length, ",", 1) : kOamsNotFound;
  if (end < 0) end = length;
  return OamsTrimBlanks(text + start, end - start, fieldLength, error);
}

const char* OamsGetSupportedValue(int32_t which, int32_t* length, int32_t* error) {
  if (length == nullptr) {
    vsDescriptor_setError(error, kOamsBadArgument);
    return nullptr;
  }
  const char* value = which == 0   ? kVsOlderConfiguration
                      : which == 1 ? kVsSupportedProfiles
                                   : nullptr;
  if (value == nullptr) {
    *length = -1;
    vsDescriptor_setError(error, kOamsOutOfRange);
    return nullptr;
  }
  *length = static_cast<int32_t>(std::strlen(value));
  vsDescriptor_setError(error, kOamsOk);
  return value;
}

bool vsDescriptor_configurationSupported(const char* value, int32_t length) {
  return length == 0 || namesOneOf(kVsSupportedConfigurations,
                                   std::size(kVsSupportedConfigurations), value, length);
}

bool vsDescriptor_profilesSupported(const char* value, int32_t length) {
  int32_t i = 0;
  while (i < length) {
    while (i < length && isBlank(value[i])) ++i;
    const int32_t start = i;
    while (i < length && !isBlank(value[i])) ++i;
    if (i > start && !namesOneOf(kVsSupportedProfileNames, std::size(kVsSupportedProfileNames),
                                 value + start, i - start))
      return false;
  }
  return true;
}
