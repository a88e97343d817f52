// System message texts (see errortext.h).
#include "ce/base/errortext.h"

#include <cstddef>

#include "ce/base/lasterror.h"

namespace {

struct MessageText {
  DWORD code;
  const char16_t* text;
};

// The texts of every code in lasterror.h, in code order.
constexpr MessageText kTexts[] = {
    {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file.\r\n"},
    {ERROR_ACCESS_DENIED, u"Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, u"The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough storage is available to process this command.\r\n"},
    {ERROR_NO_MORE_FILES, u"There are no more files.\r\n"},
    {ERROR_GEN_FAILURE, u"A device attached to the system is not functioning.\r\n"},
    {ERROR_SHARING_VIOLATION,
     u"The process cannot access the file because it is being used by another process.\r\n"},
    {ERROR_FILE_EXISTS, u"The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect.\r\n"},
    {ERROR_DISK_FULL, u"There is not enough space on the disk.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty.\r\n"},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, u"%1 is not a valid Win32 application.\r\n"},
    {ERROR_MORE_DATA, u"More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS, u"No more data is available.\r\n"},
    {ERROR_NOT_OWNER, u"Attempt to release mutex not owned by caller.\r\n"},
    {ERROR_MR_MID_NOT_FOUND,
     u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {ERROR_BADDB, u"The configuration registry database is corrupt.\r\n"},
    {ERROR_KEY_DELETED, u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {ERROR_MESSAGE_SYNC_ONLY, u"The message can be used only with synchronous operations.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle.\r\n"},
    {ERROR_CANNOT_FIND_WND_CLASS, u"Cannot find window class.\r\n"},
    {ERROR_CLASS_ALREADY_EXISTS, u"Class already exists.\r\n"},
    {ERROR_INVALID_THREAD_ID, u"Invalid thread identifier.\r\n"},
    {ERROR_NOT_ENOUGH_QUOTA, u"Not enough quota is available to process this command.\r\n"},
};

constexpr bool lInCodeOrder() {
  for (size_t i = 1; i < sizeof kTexts / sizeof kTexts[0]; ++i)
    if (kTexts[i - 1].code >= kTexts[i].code)
      return false;
  return true;
}
static_assert(lInCodeOrder(), "message texts are kept in code order, each code once");

}  // namespace

DWORD FormatMessageW(DWORD flags, const void*, DWORD messageId, DWORD languageId, WCHAR* buffer,
                     DWORD size, va_list*) {
  if ((flags & ~FORMAT_MESSAGE_IGNORE_INSERTS) != FORMAT_MESSAGE_FROM_SYSTEM ||
      (languageId != 0 && languageId != kLanguageEnglishUs) || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  for (const MessageText& entry : kTexts) {
    if (entry.code != messageId)
      continue;
    DWORD length = 0;
    while (entry.text[length] != 0)
      ++length;
    if (length + 1 > size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    for (DWORD i = 0; i <= length; ++i)
      buffer[i] = entry.text[i];
    return length;
  }
  SetLastError(ERROR_MR_MID_NOT_FOUND);
  return 0;
}
