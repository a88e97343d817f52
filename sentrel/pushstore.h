// The push registry's store: push-port and alarm keys under HKCU
// "Software\Quennet\Sentrel".
//
//   <port in decimal>  "ModuleToRun" "CmdLine" "SenderFilter" "OtherInfo"
//   Alarm00 - Alarm99  "DateTime" "ModuleToRun" "CmdLine" "OtherInfo"
//
// All values are REG_SZ. A key is created first and its four values written
// after it, so a daemon killed in between leaves a key lacking values: the
// load deletes such a key as an interrupted registration (sub-key names are
// collected before any key is touched). "DateTime" is the UTC alarm time as
// "%04d_%02d_%02d %02d:%02d:%02d.%03d %01d" (day of the week last); reading
// accepts ':' or '_' between the time fields, and a short, malformed or
// out-of-range text is time 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ce/core/windows_types.h"
#include "sentrel/common/msgfile.h"

constexpr const WCHAR* kPushStoreKey = u"Software\\Quennet\\Sentrel";
constexpr uint32_t kAlarmSlots = 100;

// A FILETIME (100 ns units since 1601) as "DateTime" text, and back.
std::u16string pushStore_formatTime(uint64_t fileTime);
uint64_t pushStore_parseTime(const std::u16string& text);

// "Alarm%02d".
std::u16string pushStore_alarmKey(uint32_t number);

// Opens or creates the base key: ERROR_SUCCESS or the registry's code;
// `created` tells whether it was missing.
LONG pushStore_init(bool* created);
// Whether the port's key exists.
bool pushStore_hasPort(DWORD port);
// Writes a key and its values: ERROR_SUCCESS or the registry's code (a key
// whose values could not all be written is deleted again).
LONG pushStore_storePort(DWORD port, const PushRegistrationBody& body);
LONG pushStore_storeAlarm(uint32_t number, const AlarmBody& body);
// Reads a port's four values; false when the key or a value is missing.
bool pushStore_readPort(DWORD port, PushRegistrationBody* body);
// Deletes a sub-key by name: ERROR_SUCCESS or the registry's code.
LONG pushStore_deleteKey(const std::u16string& name);

struct StoredAlarm {
  std::u16string keyName;
  AlarmBody body;
};

struct PushStoreContents {
  std::vector<DWORD> ports;                 // registered ports, in key order
  std::vector<StoredAlarm> alarms;          // in key order
  std::vector<std::u16string> interrupted;  // keys lacking a value, deleted
  std::vector<std::u16string> ignored;      // names that are neither
};

// Reads every key; deletes the interrupted ones.
PushStoreContents pushStore_load();
