// The VM's printf engine (see printf.h).
#include "vm/core/startup/printf.h"

#include <cstring>

#include "ce/substrate/vm_word.h"
#include "vm/services/memory/trace_log.h"

const char kVsPrintf_lowerDigits[] = "0123456789abcdef";
const char kVsPrintf_upperDigits[] = "0123456789ABCDEF";

namespace {

constexpr int32_t kMaxField = 0x7FFFFFFF / 10 - 1;

// Where the characters go: a caller's buffer or the trace output.
class Output {
 public:
  Output(char* buffer, int32_t size) : buffer_(buffer), size_(size) {}

  void put(char c) {
    if (buffer_ == nullptr)
      vsTraceLog_putChar(c);
    else if (size_ < 0 || count_ < size_)
      buffer_[count_] = c;
    ++count_;
  }

  void repeat(char c, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
      put(c);
  }

  void finish() {
    if (buffer_ == nullptr || size_ == 0)
      return;
    if (size_ < 0 || count_ < size_)
      buffer_[count_] = '\0';
    else
      buffer_[size_ - 1] = '\0';
  }

  int32_t count() const { return count_; }

 private:
  char* buffer_;
  int32_t size_;
  int32_t count_ = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads decimal digits at *p (saturating: widths come from the VM's own
// formats, but a silly one must not overflow).
int32_t readNumber(const char*& p) {
  int32_t n = 0;
  while (isDigit(*p)) {
    if (n < kMaxField)
      n = n * 10 + (*p - '0');
    ++p;
  }
  return n;
}

char* fillFromEnd(uint32_t value, uint32_t base, const char* digits, VsDigitScratch& scratch) {
  char* p = scratch + sizeof scratch - 1;
  *p = '\0';
  do {
    *--p = digits[value % base];
    value /= base;
  } while (value != 0);
  return p;
}

}  // namespace

char* vsPrintf_formatHex(uint32_t value, const char* digits, VsDigitScratch& scratch) {
  return fillFromEnd(value, 16, digits, scratch);
}

char* vsPrintf_formatOctal(uint32_t value, VsDigitScratch& scratch) {
  return fillFromEnd(value, 8, kVsPrintf_lowerDigits, scratch);
}

char* vsPrintf_formatUnsigned(uint32_t value, VsDigitScratch& scratch) {
  return fillFromEnd(value, 10, kVsPrintf_lowerDigits, scratch);
}

char* vsPrintf_formatSigned(int32_t value, char sign, VsDigitScratch& scratch) {
  // The magnitude in unsigned arithmetic also holds the most negative value.
  const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char* p = fillFromEnd(magnitude, 10, kVsPrintf_lowerDigits, scratch);
  if (value < 0)
    *--p = '-';
  else if (sign != '\0')
    *--p = sign;
  return p;
}

int32_t vsPrintf_format(char* buffer, int32_t size, const char* format, va_list args) {
  va_list ap;
  va_copy(ap, args);
  Output out(buffer, size);
  const char* p = format != nullptr ? format : "";
  while (*p != '\0') {
    const char c = *p++;
    if (c != '%') {
      out.put(c);
      continue;
    }
    bool left = false;
    char sign = '\0';
    char pad = ' ';
    for (;; ++p) {
      if (*p == '-')
        left = true;
      else if (*p == '+')
        sign = '+';
      else if (*p == ' ') {
        if (sign != '+')
          sign = ' ';
      } else if (*p == '0')
        pad = '0';
      else
        break;
    }
    int32_t width = -1;
    if (*p == '*') {
      width = va_arg(ap, int);
      ++p;
    } else if (isDigit(*p)) {
      width = readNumber(p);
    }
    int32_t precision = -1;
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        precision = va_arg(ap, int);
        ++p;
      } else if (*p == '-') {
        ++p;
        readNumber(p);
      } else {
        precision = readNumber(p);
      }
    }
    while (*p == 'h' || *p == 'l' || *p == 'L')
      ++p;
    if (*p == '\0')
      break;
    const char conversion = *p++;
    VsDigitScratch scratch;
    const char* text;
    int32_t length;
    switch (conversion) {
      case 'd':
      case 'i':
        text = vsPrintf_formatSigned(va_arg(ap, int), sign, scratch);
        length = static_cast<int32_t>(strlen(text));
        break;
      case 'u':
        text = vsPrintf_formatUnsigned(va_arg(ap, unsigned int), scratch);
        length = static_cast<int32_t>(strlen(text));
        break;
      case 'o':
        text = vsPrintf_formatOctal(va_arg(ap, unsigned int), scratch);
        length = static_cast<int32_t>(strlen(text));
        break;
      case 'x':
        text = vsPrintf_formatHex(va_arg(ap, unsigned int), kVsPrintf_lowerDigits, scratch);
        length = static_cast<int32_t>(strlen(text));
        break;
      case 'X':
        text = vsPrintf_formatHex(va_arg(ap, unsigned int), kVsPrintf_upperDigits, scratch);
        length = static_cast<int32_t>(strlen(text));
        break;
      case 'p':
        text = vsPrintf_formatHex(vsWord_fromPointer(va_arg(ap, void*)), kVsPrintf_lowerDigits,
                                  scratch);
        length = static_cast<int32_t>(strlen(text));
        break;
      case 's':
      case 'S': {
        const char* s = va_arg(ap, const char*);
        if (s == nullptr)
          s = "(null)";
        length = static_cast<int32_t>(precision >= 0 ? strnlen(s, static_cast<size_t>(precision))
                                                     : strlen(s));
        text = s;
        pad = ' ';
        break;
      }
      case 'c':
        out.put(static_cast<char>(va_arg(ap, int)));
        continue;
      case '%':
        out.put('%');
        continue;
      case 'n':
        *va_arg(ap, int32_t*) = out.count();
        continue;
      default:
        out.put('?');
        continue;
    }
    const int32_t fill = width > length ? width - length : 0;
    if (!left)
      out.repeat(pad, fill);
    for (int32_t i = 0; i < length; ++i)
      out.put(text[i]);
    if (left)
      out.repeat(' ', fill);
  }
  out.finish();
  va_end(ap);
  return out.count();
}

int32_t vsPrintf_vcount(const char* format, va_list args) {
  return vsPrintf_format(nullptr, -1, format, args);
}

int32_t vsPrintf_vsnprintf(char* buffer, int32_t size, const char* format, va_list args) {
  if (buffer == nullptr)
    return 0;
  return vsPrintf_format(buffer, size, format, args);
}

int32_t vsPrintf_snprintf(char* buffer, int32_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int32_t n = vsPrintf_vsnprintf(buffer, size, format, args);
  va_end(args);
  return n;
}
