// The file log (see filelog.h).
#include "sentrel/filelog.h"

#include <atomic>

#include "ce/core/clock.h"
#include "ce/core/kernel_object.h"
#include "ce/core/mutex.h"
#include "ce/core/wait.h"
#include "ce/fs/dirops.h"
#include "ce/fs/file.h"

namespace {

constexpr DWORD kPeriodMs = 1000;

std::atomic<FileLog*> gInstance{nullptr};
std::atomic<DWORD> gSeamPeriod{0};
std::atomic<void (*)(bool)> gAfterTick{nullptr};

}  // namespace

void FileLog::setTestSeam(DWORD periodMs, void (*afterTick)(bool opened)) {
  gSeamPeriod = periodMs;
  gAfterTick = afterTick;
}

FileLog::FileLog(const WCHAR* fileName)
    : OJTimer(u"FileLog", false), fileName_(fileName), mutex_(CreateMutexW(nullptr, FALSE, nullptr)) {}

FileLog::~FileLog() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

void FileLog::Start(const WCHAR* fileName) {
  if (gInstance.load() != nullptr) return;
  DeleteFileW(fileName);
  auto* log = new FileLog(fileName);
  log->setPeriod(gSeamPeriod != 0 ? gSeamPeriod.load() : kPeriodMs);
  gInstance = log;
  log->start(2);
}

bool FileLog::lock() {
  if (WaitForSingleObject(mutex_, INFINITE) != WAIT_OBJECT_0) {
    OJThread_print(u"Wait for msgQueuefailed\n");
    return false;
  }
  return true;
}

void FileLog::Print(const WCHAR* format, ...) {
  FileLog* log = gInstance.load();
  if (log == nullptr) {
    OJThread_print(u"FileLog::Print() pInstance==NULL!");
    return;
  }
  va_list arguments;
  va_start(arguments, format);
  std::u16string text = OJThread_formatLine(format, arguments);
  va_end(arguments);
  text.push_back(u'\n');
  if (!log->lock()) return;  // the line is dropped rather than queued unguarded
  log->queue_.push_back(std::move(text));
  ReleaseMutex(log->mutex_);
}

bool FileLog::flush() {
  if (!lock()) return false;
  const bool empty = queue_.empty();
  ReleaseMutex(mutex_);
  if (empty) return false;
  HANDLE file =
      CreateFileW(fileName_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool opened = file != INVALID_HANDLE_VALUE;
  if (opened) SetFilePointer(file, 0, nullptr, FILE_END);
  if (!lock()) {
    if (opened) CloseHandle(file);
    return opened;
  }
  if (opened)
    for (const std::u16string& line : queue_) {
      std::vector<uint8_t> bytes;
      for (char16_t unit : line) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
      }
      DWORD written = 0;
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
  queue_.clear();
  ReleaseMutex(mutex_);
  if (opened) CloseHandle(file);
  return opened;
}

void FileLog::tick() {
  const bool opened = flush();
  if (auto* afterTick = gAfterTick.load()) afterTick(opened);
}

void FileLog::EndFileLog() {
  FileLog* log = gInstance.load();
  if (log == nullptr) {
    OJThread_print(u"FileLog::EndFileLog() pInstance==NULL!");
    return;
  }
  const DWORD begin = timeGetTime();
  log->stopTimer();
  OJThread_print(u"pInstance->stopTimer() time=%d", static_cast<int>(timeGetTime() - begin));
  WaitForSingleObject(log->threadHandle(), INFINITE);
  log->flush();
  gInstance = nullptr;
  delete log;
}
