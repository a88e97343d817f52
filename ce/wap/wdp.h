// WAP datagrams of the CE layer: WapOpen, WapClose, WapSend,
// WapGetNextPrimitiveSize and WapRead over the loopback SMS centre.
//
// A port opened on a device is held by
//   - the device's port lock `.ce/wap/<port>.lock` (flock): a second open of
//     the same port on the device fails, also within one process;
//   - one UDP socket on 127.0.0.1, through which the port registers
//     (number, port) with the centre (HKLM "Device\Phone" "SmscAddress"),
//     sends its submissions and receives its deliveries.
// The device's phone number is HKLM "Device\Phone" "Number"; without it no
// port opens.
//
// The process's poll thread (started by the first WapOpen) reads every open
// port's socket: deliveries (only from the configured centre, decoded by the
// wire codec, duplicates by id dropped) are acknowledged and queued on the
// port, whose message event (manual reset) is set while the queue holds a
// datagram and reset when WapRead drains it; the centre's answers to
// submissions wake the sender; anything else is dropped and logged on
// standard error. It refreshes each registration every 30 s. WapClose
// withdraws the registration without waiting for the centre and closes the
// message event.
//
// A read datagram is the unit-data primitive below followed, in the same
// buffer, by its payload (pbUserData points there).
#pragma once

#include <cstdint>

#include "ce/core/windows_types.h"

using HRESULT = int32_t;
using WAP_HANDLE = DWORD;

constexpr HRESULT S_OK = 0;

constexpr DWORD WAP_LAYER_WDP = 1;
constexpr DWORD WAP_ADDRESS_TYPE_GSM_SMS = 2;
constexpr DWORD MAX_WAP_ADDRESS_LENGTH = 64;  // units, the terminator included

// Primitive types.
constexpr DWORD WAP_PRIMITIVE_ID_T_DUNITDATA = 1;      // a datagram to send
constexpr DWORD WAP_PRIMITIVE_ID_T_DUNITDATA_IND = 2;  // a datagram received

// Valid-field bits of a unit-data primitive.
constexpr DWORD WDP_FIELD_SOURCEADDRESS = 0x01;
constexpr DWORD WDP_FIELD_SOURCEPORT = 0x02;
constexpr DWORD WDP_FIELD_DESTINATIONADDRESS = 0x04;
constexpr DWORD WDP_FIELD_DESTINATIONPORT = 0x08;
constexpr DWORD WDP_FIELD_USERDATA = 0x10;
constexpr DWORD WDP_FIELDS_ALL = 0x1F;

// The failures of the calls, one table; each is a negative HRESULT.
#define VS_WAP_FAILURES(X)                                             \
  X(WAP_E_INVALIDARG, 0x80070057u, "invalid argument")                 \
  X(WAP_E_PORT_IN_USE, 0x80040101u, "the port is open on the device")  \
  X(WAP_E_NO_NUMBER, 0x80040102u, "the device has no phone number")    \
  X(WAP_E_NO_SMSC, 0x80040103u, "the SMS centre address is invalid")   \
  X(WAP_E_SOCKET, 0x80040104u, "no socket")                            \
  X(WAP_E_INVALID_HANDLE, 0x80040105u, "no such WAP handle")           \
  X(WAP_E_NO_DATA, 0x80040106u, "no datagram is waiting")              \
  X(WAP_E_BUFFER_TOO_SMALL, 0x80040107u, "the buffer is too small")    \
  X(WAP_E_REFUSED, 0x80040108u, "the SMS centre refused the datagram") \
  X(WAP_E_UNANSWERED, 0x80040109u, "the SMS centre did not answer")

#define VS_WAP_FAILURE_CONSTANT(name, value, text) constexpr HRESULT name = static_cast<HRESULT>(value);
VS_WAP_FAILURES(VS_WAP_FAILURE_CONSTANT)
#undef VS_WAP_FAILURE_CONSTANT

// The text of a failure ("unknown WAP failure" for others).
const char* vsCeWap_failureText(HRESULT result);

struct WAP_ADDRESS {
  DWORD watAddressType;
  WCHAR ptsAddress[MAX_WAP_ADDRESS_LENGTH];
};

struct WAP_PRIMITIVE_BASE {
  DWORD Type;
  DWORD Layer;
  DWORD dwValidFields;
};

struct WDP_UNITDATA {
  WAP_PRIMITIVE_BASE base;
  WAP_ADDRESS waSourceAddress;
  DWORD dwSourcePort;
  WAP_ADDRESS waDestinationAddress;
  DWORD dwDestinationPort;
  const BYTE* pbUserData;
  DWORD dwUserDataSize;
};

// Opens `port` (1-65535) of layer WAP_LAYER_WDP.
HRESULT WapOpen(DWORD layer, DWORD port, WAP_HANDLE* handle, HANDLE* messageEvent);
HRESULT WapClose(WAP_HANDLE handle);
// Sends the datagram of a unit-data primitive (its destination address and
// port and its user data) from the handle's port: S_OK once the centre took
// it; the request is resent after 500 ms and given up after 2 s.
HRESULT WapSend(WAP_HANDLE handle, const WAP_PRIMITIVE_BASE* primitive);
// The bytes WapRead needs for the next datagram.
HRESULT WapGetNextPrimitiveSize(WAP_HANDLE handle, DWORD* size);
// Takes the next datagram into `primitive` (size bytes); a buffer too small
// fails and discards the datagram.
HRESULT WapRead(WAP_HANDLE handle, WAP_PRIMITIVE_BASE* primitive, DWORD size);
