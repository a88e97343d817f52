// System error texts (see syserror.h).
#include "port/support/syserror.h"

#include "ce/base/errortext.h"

std::u16string SystemErrorText(DWORD code) {
  WCHAR text[512];
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                 kLanguageEnglishUs, text, 512, nullptr);
  return n == 0 ? std::u16string(u"???") : std::u16string(text, n);
}
