// The printf engine (see crt_printf.h).
//
// One template formats into a sink of the output unit type: the sink counts
// every unit and stores those that fit. Numbers are formatted in ASCII and
// widened; texts of the other width go through the code-page decoders.
#include "ce/base/crt_printf.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ce/base/codepage.h"

namespace {

template <typename Unit>
struct Sink {
  Unit* buffer;
  size_t capacity;
  size_t total = 0;

  void put(Unit unit) {
    if (total < capacity)
      buffer[total] = unit;
    ++total;
  }
  void pad(Unit unit, long n) {
    for (long i = 0; i < n; ++i)
      put(unit);
  }
};

enum class Size { Default, Short, Char, Long32, Long64, Pointer };

struct Spec {
  bool left = false, plus = false, space = false, alternate = false, zero = false;
  long width = 0;
  long precision = -1;
  Size size = Size::Default;
  bool wide = false, narrow = false;  // explicit text width
};

// Appends the code points of a text of the other or the same width to out.
void lAppendCodePoint(std::string& out, uint32_t cp) {
  char bytes[4];
  out.append(bytes, vsCeCodepage_encodeUtf8(cp, bytes));
}
void lAppendCodePoint(std::u16string& out, uint32_t cp) {
  if (cp >= 0x10000) {
    out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

// A narrow text (UTF-8) of at most limit bytes into the output's width.
template <typename Text>
void lFromNarrow(Text& out, const char* text, long limit) {
  size_t n = 0;
  while ((limit < 0 || n < static_cast<size_t>(limit)) && text[n] != 0)
    ++n;
  if constexpr (sizeof(typename Text::value_type) == 1) {
    out.append(text, n);
  } else {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < n;) {
      uint32_t cp;
      i += vsCeCodepage_decodeUtf8(bytes + i, n - i, &cp);
      lAppendCodePoint(out, cp);
    }
  }
}

// A wide text of at most limit units into the output's width.
template <typename Text>
void lFromWide(Text& out, const WCHAR* text, long limit) {
  size_t n = 0;
  while ((limit < 0 || n < static_cast<size_t>(limit)) && text[n] != 0)
    ++n;
  if constexpr (sizeof(typename Text::value_type) == 2) {
    out.append(text, n);
  } else {
    for (size_t i = 0; i < n;) {
      uint32_t cp;
      i += vsCeCodepage_decodeUtf16(text + i, n - i, &cp);
      lAppendCodePoint(out, cp);
    }
  }
}

template <typename Unit>
void lPutPadded(Sink<Unit>& sink, const Spec& spec, const std::basic_string<Unit>& body) {
  const long fill = spec.width - static_cast<long>(body.size());
  if (!spec.left)
    sink.pad(spec.zero ? Unit('0') : Unit(' '), fill);
  for (Unit u : body)
    sink.put(u);
  if (spec.left)
    sink.pad(Unit(' '), fill);
}

template <typename Unit>
void lPutInteger(Sink<Unit>& sink, const Spec& spec, uint64_t magnitude, bool negative, char conv) {
  const unsigned base = conv == 'o' ? 8 : (conv == 'x' || conv == 'X' || conv == 'p') ? 16 : 10;
  const char* digitSet = conv == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
  char digits[32];
  int n = 0;
  for (uint64_t v = magnitude; v != 0; v /= base)
    digits[n++] = digitSet[v % base];
  long precision = spec.precision;
  if (conv == 'p')
    precision = static_cast<long>(2 * sizeof(void*));
  long zeros = precision > n ? precision - n : 0;
  if (precision < 0 && n == 0)
    zeros = 1;  // a plain zero
  if (conv == 'o' && spec.alternate && zeros == 0 && (n == 0 || digits[n - 1] != '0'))
    zeros = 1;
  std::string prefix;
  if (negative)
    prefix = "-";
  else if (spec.plus && (conv == 'd' || conv == 'i'))
    prefix = "+";
  else if (spec.space && (conv == 'd' || conv == 'i'))
    prefix = " ";
  if (spec.alternate && magnitude != 0 && (conv == 'x' || conv == 'X'))
    prefix += conv == 'x' ? "0x" : "0X";
  const long length = static_cast<long>(prefix.size()) + zeros + n;
  long fill = spec.width > length ? spec.width - length : 0;
  if (!spec.left && spec.zero && spec.precision < 0) {
    zeros += fill;
    fill = 0;
  }
  if (!spec.left)
    sink.pad(Unit(' '), fill);
  for (char c : prefix)
    sink.put(Unit(c));
  sink.pad(Unit('0'), zeros);
  while (n > 0)
    sink.put(Unit(digits[--n]));
  if (spec.left)
    sink.pad(Unit(' '), fill);
}

template <typename Unit>
void lPutFloat(Sink<Unit>& sink, const Spec& spec, double value, char conv) {
  char format[32];
  int k = 0;
  format[k++] = '%';
  if (spec.left)
    format[k++] = '-';
  if (spec.plus)
    format[k++] = '+';
  if (spec.space)
    format[k++] = ' ';
  if (spec.alternate)
    format[k++] = '#';
  if (spec.zero)
    format[k++] = '0';
  format[k++] = '*';
  format[k++] = '.';
  format[k++] = '*';
  format[k++] = conv;
  format[k] = 0;
  const int width = static_cast<int>(spec.width > 4096 ? 4096 : spec.width);
  const int precision = static_cast<int>(spec.precision < 0 ? 6 : spec.precision > 512 ? 512 : spec.precision);
  char text[4096 + 600];
  const int n = std::snprintf(text, sizeof text, format, width, precision, value);
  for (int i = 0; i < n && i < static_cast<int>(sizeof text) - 1; ++i)
    sink.put(Unit(text[i]));
}

// Reads a decimal number or a '*' argument.
template <typename Unit>
long lNumber(const Unit*& p, va_list& args, bool* fromArgument) {
  *fromArgument = false;
  if (*p == Unit('*')) {
    ++p;
    *fromArgument = true;
    return va_arg(args, int);
  }
  long value = 0;
  while (*p >= Unit('0') && *p <= Unit('9')) {
    if (value < 100000)
      value = value * 10 + (*p - Unit('0'));
    ++p;
  }
  return value;
}

// Formats into the sink; false when the format is refused.
template <typename Unit>
bool lFormat(Sink<Unit>& sink, const Unit* p, va_list& args) {
  constexpr bool kWideOutput = sizeof(Unit) == 2;
  using Text = std::basic_string<Unit>;
  while (*p != 0) {
    if (*p != Unit('%')) {
      sink.put(*p++);
      continue;
    }
    ++p;
    Spec spec;
    for (;; ++p) {
      if (*p == Unit('-'))
        spec.left = true;
      else if (*p == Unit('+'))
        spec.plus = true;
      else if (*p == Unit(' '))
        spec.space = true;
      else if (*p == Unit('#'))
        spec.alternate = true;
      else if (*p == Unit('0'))
        spec.zero = true;
      else
        break;
    }
    bool fromArgument;
    spec.width = lNumber(p, args, &fromArgument);
    if (spec.width < 0) {
      spec.left = true;
      spec.width = -spec.width;
    }
    if (*p == Unit('.')) {
      ++p;
      spec.precision = lNumber(p, args, &fromArgument);
      if (spec.precision < 0)
        spec.precision = fromArgument ? -1 : 0;
    }
    if (*p == Unit('h')) {
      ++p;
      spec.size = Size::Short;
      spec.narrow = true;
      if (*p == Unit('h')) {
        ++p;
        spec.size = Size::Char;
      }
    } else if (*p == Unit('l')) {
      ++p;
      spec.size = Size::Long32;
      spec.wide = true;
      if (*p == Unit('l')) {
        ++p;
        spec.size = Size::Long64;
      }
    } else if (*p == Unit('w')) {
      ++p;
      spec.wide = true;
    } else if (*p == Unit('I')) {
      ++p;
      if (p[0] == Unit('6') && p[1] == Unit('4')) {
        p += 2;
        spec.size = Size::Long64;
      } else if (p[0] == Unit('3') && p[1] == Unit('2')) {
        p += 2;
        spec.size = Size::Long32;
      } else {
        spec.size = Size::Pointer;
      }
    }
    const Unit conv = *p;
    if (conv == 0)
      break;
    ++p;
    switch (conv) {
      case Unit('%'):
        sink.put(Unit('%'));
        break;
      case Unit('d'):
      case Unit('i'): {
        int64_t v;
        switch (spec.size) {
          case Size::Long64: v = va_arg(args, long long); break;
          case Size::Pointer: v = static_cast<int64_t>(va_arg(args, intptr_t)); break;
          case Size::Short: v = static_cast<int16_t>(va_arg(args, int)); break;
          case Size::Char: v = static_cast<int8_t>(va_arg(args, int)); break;
          default: v = va_arg(args, int); break;
        }
        const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        lPutInteger(sink, spec, magnitude, v < 0, 'd');
        break;
      }
      case Unit('u'):
      case Unit('x'):
      case Unit('X'):
      case Unit('o'): {
        uint64_t v;
        switch (spec.size) {
          case Size::Long64: v = va_arg(args, unsigned long long); break;
          case Size::Pointer: v = va_arg(args, uintptr_t); break;
          case Size::Short: v = static_cast<uint16_t>(va_arg(args, unsigned)); break;
          case Size::Char: v = static_cast<uint8_t>(va_arg(args, unsigned)); break;
          default: v = va_arg(args, unsigned); break;
        }
        lPutInteger(sink, spec, v, false, static_cast<char>(conv));
        break;
      }
      case Unit('p'):
        lPutInteger(sink, spec, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false, 'p');
        break;
      case Unit('e'):
      case Unit('E'):
      case Unit('f'):
      case Unit('g'):
      case Unit('G'):
        lPutFloat(sink, spec, va_arg(args, double), static_cast<char>(conv));
        break;
      case Unit('c'):
      case Unit('C'): {
        // The output's own width unless the size or the capital says otherwise.
        const bool wideArgument =
            spec.wide || (!spec.narrow && ((conv == Unit('c')) == kWideOutput));
        const int unit = va_arg(args, int);
        Text body;
        if (wideArgument) {
          const WCHAR w[1] = {static_cast<WCHAR>(unit)};
          lFromWide(body, w, 1);
        } else {
          const char c[1] = {static_cast<char>(unit)};
          lFromNarrow(body, c, 1);
        }
        Spec plain = spec;
        plain.zero = false;
        lPutPadded(sink, plain, body);
        break;
      }
      case Unit('s'):
      case Unit('S'): {
        const bool wideArgument =
            spec.wide || (!spec.narrow && ((conv == Unit('s')) == kWideOutput));
        const void* text = va_arg(args, const void*);
        Text body;
        if (text == nullptr)
          lFromNarrow(body, "(null)", spec.precision);
        else if (wideArgument)
          lFromWide(body, static_cast<const WCHAR*>(text), spec.precision);
        else
          lFromNarrow(body, static_cast<const char*>(text), spec.precision);
        Spec plain = spec;
        plain.zero = false;
        lPutPadded(sink, plain, body);
        break;
      }
      case Unit('n'):
        return false;
      default:
        sink.put(conv);
        break;
    }
  }
  return true;
}

template <typename Unit>
int lBounded(Unit* buffer, size_t count, const Unit* format, va_list arguments) {
  if (format == nullptr || (buffer == nullptr && count > 0))
    return -1;
  Sink<Unit> sink{buffer, count};
  va_list args;
  va_copy(args, arguments);
  const bool ok = lFormat(sink, format, args);
  va_end(args);
  if (!ok || sink.total > count || sink.total > INT_MAX)
    return -1;
  if (sink.total < count)
    buffer[sink.total] = 0;
  return static_cast<int>(sink.total);
}

template <typename Unit>
int lCount(const Unit* format, va_list arguments) {
  if (format == nullptr)
    return -1;
  Sink<Unit> sink{nullptr, 0};
  va_list args;
  va_copy(args, arguments);
  const bool ok = lFormat(sink, format, args);
  va_end(args);
  return ok && sink.total <= INT_MAX ? static_cast<int>(sink.total) : -1;
}

}  // namespace

int _vsnprintf(char* buffer, size_t count, const char* format, va_list arguments) {
  return lBounded(buffer, count, format, arguments);
}

int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list arguments) {
  return lBounded(buffer, count, format, arguments);
}

int _snprintf(char* buffer, size_t count, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = lBounded(buffer, count, format, args);
  va_end(args);
  return n;
}

int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = lBounded(buffer, count, format, args);
  va_end(args);
  return n;
}

int _vscprintf(const char* format, va_list arguments) { return lCount(format, arguments); }

int _vscwprintf(const WCHAR* format, va_list arguments) { return lCount(format, arguments); }
