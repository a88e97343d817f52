// PushReg (see pushreg.h).
#include "sentrel/pushreg.h"

#include "ce/base/crt_printf.h"
#include "ce/fs/dirops.h"
#include "ce/reg/regapi.h"
#include "sentrel/common/errors.h"
#include "sentrel/filelog.h"

namespace {

// The second log line of a failure that names a code.
int lError(int code, int line) {
  FileLog::Print(u"err=%d in %s line %d", code, u"pushreg", line);
  return code;
}

std::u16string lDecimal(DWORD value) {
  WCHAR text[16];
  _snwprintf(text, 16, u"%u", static_cast<unsigned>(value));
  return text;
}

// The number of an alarm key: the decimal number from its first digit.
int lAlarmNumber(const std::u16string& keyName) {
  size_t at = 0;
  while (at < keyName.size() && (keyName[at] < u'0' || keyName[at] > u'9')) ++at;
  int value = -1;
  for (; at < keyName.size() && keyName[at] >= u'0' && keyName[at] <= u'9' && value < 1000; ++at)
    value = (value < 0 ? 0 : value * 10) + (keyName[at] - u'0');
  return value;
}

}  // namespace

int PushReg::init() {
  bool created = false;
  const LONG status = pushStore_init(&created);
  if (created || status != ERROR_SUCCESS) OJThread_print(u"PushReg::Init(): regKey.Create");
  if (status != ERROR_SUCCESS) {
    OJThread_print(u"regKey.Create failed");
    return SentrelError_RegKeyCreateFailed;
  }
  return SentrelError_Succeeded;
}

int PushReg::loadListeners() {
  PushStoreContents contents = pushStore_load();
  for (const std::u16string& name : contents.interrupted)
    FileLog::Print(u"PushReg::LoadListeners(): interrupted registration %s deleted", name.c_str());
  for (DWORD port : contents.ports) {
    OJThread_print(u"PushReg::LoadListeners(): add port=%d", static_cast<int>(port));
    const int added = workers_.add(port, WapOpener::PushRegistry);
    if (added <= 0) lError(added, __LINE__);
  }
  alarms_ = std::move(contents.alarms);
  return SentrelError_Succeeded;
}

int PushReg::add(DWORD port, uint16_t fileNumber) {
  FileLog::Print(u"PushReg::Add():");
  if (pushStore_hasPort(port) || workers_.has(port)) {
    DeleteFileW(SentrelMessageFile::path(fileNumber).c_str());
    FileLog::Print(u"portNum=%d", static_cast<int>(port));
    return lError(SentrelError_PortAlreadyOpened, __LINE__);
  }
  SentrelMessageFile file;
  PushRegistrationBody body;
  if (file.open(fileNumber, true) != 1 || !readPushRegistration(file, body))
    return lError(SentrelError_TempFileStreamCannotOpen, __LINE__);
  file.close();
  FileLog::Print(u"PushReg::Add(): %s %s %s %s\n", body.module.c_str(), body.commandLine.c_str(),
                 body.filter.c_str(), body.other.c_str());
  if (pushStore_storePort(port, body) != ERROR_SUCCESS) {
    FileLog::Print(u"Cannot create RegKey=HKCU\\%s\\%d", kPushStoreKey, static_cast<int>(port));
    return lError(SentrelError_RegKeyCreateFailed, __LINE__);
  }
  const int added = workers_.add(port, WapOpener::PushRegistry);
  if (added <= 0) lError(added, __LINE__);
  return SentrelError_Succeeded;
}

int PushReg::unregister(DWORD port) {
  if (pushStore_deleteKey(lDecimal(port)) != ERROR_SUCCESS)
    FileLog::Print(u"PushReg::DelRegKey: regKey.DeleteSubKey failed, %d", static_cast<int>(port));
  return workers_.remove(port, WapOpener::PushRegistry);
}

int PushReg::listPorts() { return writeStringList(workers_.pushPorts()); }

int PushReg::portArguments(DWORD port) {
  PushRegistrationBody body;
  if (!pushStore_readPort(port, &body)) return lError(SentrelError_NoSuchPortRegistered, __LINE__);
  return writePushRegistration(body);
}

int PushReg::addAlarm(uint16_t fileNumber) {
  SentrelMessageFile file;
  AlarmBody body;
  if (file.open(fileNumber, true) != 1 || !readAlarm(file, body))
    return lError(SentrelError_TempFileStreamCannotOpen, __LINE__);
  file.close();
  bool used[kAlarmSlots] = {};
  for (const StoredAlarm& alarm : alarms_) {
    const int number = lAlarmNumber(alarm.keyName);
    if (number >= 0 && number < static_cast<int>(kAlarmSlots)) used[number] = true;
  }
  uint32_t free = 0;
  while (free < kAlarmSlots && used[free]) ++free;
  if (free == kAlarmSlots) {
    FileLog::Print(u"PushReg::AddAlarm");
    return lError(SentrelError_AlarmListIsFull, __LINE__);
  }
  const std::u16string key = pushStore_alarmKey(free);
  if (pushStore_storeAlarm(free, body) != ERROR_SUCCESS) {
    FileLog::Print(u"Cannot create RegKey=HKCU\\%s\\%s", kPushStoreKey, key.c_str());
    return lError(SentrelError_RegKeyCreateFailed, __LINE__);
  }
  alarms_.push_back({key, std::move(body)});
  return SentrelError_Succeeded;
}

int PushReg::launchForPort(DWORD port) {
  FileLog::Print(u"PushReg::LaunchMidlet:");
  PushRegistrationBody body;
  if (!pushStore_readPort(port, &body)) return SentrelError_RegKeyCreateFailed;
  launchMidlet(body.module, body.commandLine);
  return SentrelError_Succeeded;
}

int PushReg::launchMidlet(const std::u16string& module, const std::u16string& commandLine) {
  if (launcher_(module, commandLine) != 1) {
    OJThread_print(u"PushReg::LaunchMidlet: CreateProcess failed");
    return SentrelError_CannotCreateProcess;
  }
  return SentrelError_Succeeded;
}

void PushReg::checkAlarms(uint64_t now) {
  for (auto it = alarms_.begin(); it != alarms_.end();) {
    if (now < it->body.time) {
      ++it;
      continue;
    }
    const double late = static_cast<double>(now - it->body.time) * 1e-7;
    FileLog::Print(u"%s is expired, diff=%f sec", it->keyName.c_str(), late);
    if (late < kLaunchLatenessSeconds) {
      FileLog::Print(u"%s is Launching midlet", it->keyName.c_str());
      launchMidlet(it->body.module, it->body.commandLine);
    }
    FileLog::Print(u"Delete RegKey %s", it->keyName.c_str());
    if (pushStore_deleteKey(it->keyName) != ERROR_SUCCESS) lError(SentrelError_RegKeyCreateFailed, __LINE__);
    it = alarms_.erase(it);
  }
}
