// The option parser (see options.h).
#include "vm/core/startup/options.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/system_glue.h"

namespace {

constexpr int32_t kMaxInterpretationLogSize = 16;

struct OptionState {
  int32_t hasClassPath;
  char classPath[kVsOptions_maxClassPath + 1];
};

VS_VMBSS(OptionState) gOptions = {};

// A text of at most kVsOptions_maxText characters and its NUL.
using Text = char[kVsOptions_maxText + 1];

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isValueChar(char c) {
  return isDigit(c) || c == '-' || c == 'k' || c == 'm' || c == 'K' || c == 'M';
}

// Copies the longest run of characters accepted by `accept` at *p into out
// and moves *p behind it. False for an empty run or one that does not fit.
bool scanRun(const char*& p, bool (*accept)(char), Text& out) {
  const char* start = p;
  while (accept(*p))
    ++p;
  const size_t n = static_cast<size_t>(p - start);
  if (n == 0 || n > static_cast<size_t>(kVsOptions_maxText))
    return false;
  std::memcpy(out, start, n);
  out[n] = '\0';
  return true;
}

// "-Dname=value": name and value copied out of the argument; no '=' gives
// an empty value.
int32_t defineProperty(const char* text) {
  const char* equals = std::strchr(text, '=');
  const size_t nameLength = equals != nullptr ? static_cast<size_t>(equals - text) : std::strlen(text);
  const char* value = equals != nullptr ? equals + 1 : "";
  const size_t valueLength = std::strlen(value);
  if (nameLength > static_cast<size_t>(kVsOptions_maxText) ||
      valueLength > static_cast<size_t>(kVsOptions_maxText))
    return -1;
  Text name;
  Text valueCopy;
  std::memcpy(name, text, nameLength);
  name[nameLength] = '\0';
  std::memcpy(valueCopy, value, valueLength + 1);
  vsSys_defineProperty(name, valueCopy);
  return 1;
}

int32_t setClassPath(const char* path) {
  const size_t n = std::strlen(path);
  if (n > static_cast<size_t>(kVsOptions_maxClassPath))
    return -1;
  std::memcpy(gOptions.classPath, path, n + 1);
  gOptions.hasClassPath = 1;
  return 2;
}

}  // namespace

int32_t vsOptions_parse(int32_t n, char* const* args) {
  if (n < 1)
    return 0;
  const char* a = args[0];
  if (std::strcmp(a, "-version") == 0) {
    vsOptions_printVersion();
    vsVm_exitAfterShutdown(0);
  }
  if (std::strcmp(a, "-?") == 0 || std::strcmp(a, "-help") == 0) {
    vsSys_printMessage(nullptr);
    vsVm_exitAfterShutdown(1);
  }
  if ((std::strcmp(a, "-classpath") == 0 || std::strcmp(a, "-cp") == 0) && n >= 2)
    return setClassPath(args[1]);
  VmFlagValues& flags = vsVmFlags();
  if (std::strcmp(a, "-int") == 0) {
    flags.UseCompiler = 0;
    return 1;
  }
  if (std::strcmp(a, "-comp") == 0) {
    flags.MixedMode = 0;
    flags.UseCompiler = 1;
    return 1;
  }
  if (a[0] == '-' && a[1] == 'D')
    return defineProperty(a + 2);
  if (a[0] == '-' || a[0] == '+' || a[0] == '=')
    return vsOptions_setFlagFromText(a) == 1 ? 1 : -1;
  return 0;
}

int32_t vsOptions_setFlagFromText(const char* text) {
  const char form = text[0];
  if (form != '-' && form != '+' && form != '=')
    return 0;
  const char* p = text + 1;
  Text name;
  if (!scanRun(p, isLetter, name))
    return 0;
  if (form != '=')
    return vsFlags_setBool(name, form == '+' ? 1 : 0);
  Text valueText;
  if (!scanRun(p, isValueChar, valueText))
    return 0;
  int32_t value;
  if (vsOptions_parseSize(valueText, &value) == 0)
    return 0;
  return vsFlags_setInt(name, value);
}

const char* vsOptions_readDecimal(const char* text, int32_t* value) {
  const char* p = text;
  const bool negative = *p == '-';
  if (negative)
    ++p;
  if (!isDigit(*p))
    return nullptr;
  uint32_t magnitude = 0;
  while (isDigit(*p))
    magnitude = magnitude * 10u + static_cast<uint32_t>(*p++ - '0');
  *value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
  return p;
}

int32_t vsOptions_parseSize(const char* text, int32_t* value) {
  int32_t number;
  const char* rest = vsOptions_readDecimal(text, &number);
  if (rest == nullptr)
    return 0;
  uint32_t scale;
  if (*rest == '\0')
    scale = 1;
  else if (*rest == 'k' || *rest == 'K')
    scale = 1024;
  else if (*rest == 'm' || *rest == 'M')
    scale = 1048576;
  else
    return 0;
  *value = static_cast<int32_t>(static_cast<uint32_t>(number) * scale);
  return 1;
}

void vsOptions_printVersion() {
  vsOutputStream_printLine(vsOutputStream_log(), "Java 2 Micro Edition");
  vsOutputStream_printLine(vsOutputStream_log(), "Vostel_VM (build 1.1.1, product)");
}

const char* vsOptions_classPath() { return gOptions.hasClassPath != 0 ? gOptions.classPath : nullptr; }

void vsOptions_clearClassPath() {
  gOptions.hasClassPath = 0;
  gOptions.classPath[0] = '\0';
}

int32_t vsJVM_setInterpretationLogSize(int32_t n) {
  if (n < 0 || n > kMaxInterpretationLogSize)
    return -1;
  vsVmFlags().InterpretationLogSize = n;
  return 0;
}

int32_t vsJVM_setMaxMethodToCompile(int32_t n) {
  if (n < 0)
    return -1;
  vsVmFlags().MaxMethodToCompile = n;
  return 0;
}

int32_t vsJVM_setMinMethodToCompile(int32_t n) {
  if (n < 0)
    return -1;
  vsVmFlags().MinMethodToCompile = n;
  return 0;
}
