// wap_test_peer: a second device for the WAP tests.
//
//   wap_test_peer ROOT PHONE SMSC send FROMPORT NUMBER PORT TEXT COUNT
//       sends COUNT datagrams TEXT (COUNT > 1: TEXT followed by the index)
//       from FROMPORT, prints "sent S failed F"
//   wap_test_peer ROOT PHONE SMSC hold PORT
//       opens PORT, prints "ready" (or "error 0x%08X"), holds it until its
//       input ends
//   wap_test_peer ROOT PHONE SMSC recv PORT COUNT
//       opens PORT, prints "ready", then one line "NUMBER:PORT HEX" per
//       datagram until COUNT arrived
//
// It first initialises ROOT as `cedevice init ROOT --phone PHONE --smsc SMSC`.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ce/core/wait.h"
#include "ce/device/init.h"
#include "ce/wap/wdp.h"

namespace {

WDP_UNITDATA unitData(const std::string& number, DWORD port, const std::string& text) {
  WDP_UNITDATA d{};
  d.base = {WAP_PRIMITIVE_ID_T_DUNITDATA, WAP_LAYER_WDP, WDP_FIELDS_ALL};
  d.waDestinationAddress.watAddressType = WAP_ADDRESS_TYPE_GSM_SMS;
  for (size_t i = 0; i < number.size() && i + 1 < MAX_WAP_ADDRESS_LENGTH; ++i)
    d.waDestinationAddress.ptsAddress[i] = static_cast<WCHAR>(number[i]);
  d.dwDestinationPort = port;
  d.pbUserData = reinterpret_cast<const BYTE*>(text.data());
  d.dwUserDataSize = static_cast<DWORD>(text.size());
  return d;
}

int openPort(DWORD port, WAP_HANDLE& handle, HANDLE& event) {
  const HRESULT hr = WapOpen(WAP_LAYER_WDP, port, &handle, &event);
  if (hr != S_OK)
    std::printf("error 0x%08X\n", static_cast<unsigned>(hr));
  else
    std::printf("ready\n");
  std::fflush(stdout);
  return hr == S_OK ? 0 : 1;
}

int send(DWORD from, const std::string& number, DWORD port, const std::string& text, int count) {
  WAP_HANDLE handle;
  HANDLE event;
  if (openPort(from, handle, event) != 0) return 1;
  int sent = 0;
  for (int i = 0; i < count; ++i) {
    const std::string payload = count > 1 ? text + std::to_string(i) : text;
    const WDP_UNITDATA d = unitData(number, port, payload);
    if (WapSend(handle, &d.base) == S_OK) ++sent;
  }
  std::printf("sent %d failed %d\n", sent, count - sent);
  WapClose(handle);
  return 0;
}

int hold(DWORD port) {
  WAP_HANDLE handle;
  HANDLE event;
  if (openPort(port, handle, event) != 0) return 1;
  char c;
  while (read(0, &c, 1) > 0) {
  }
  WapClose(handle);
  return 0;
}

int recv(DWORD port, int count) {
  WAP_HANDLE handle;
  HANDLE event;
  if (openPort(port, handle, event) != 0) return 1;
  std::vector<uint8_t> buffer;
  for (int got = 0; got < count;) {
    WaitForSingleObject(event, INFINITE);
    DWORD size = 0;
    if (WapGetNextPrimitiveSize(handle, &size) != S_OK) continue;
    buffer.assign(size, 0);
    auto* d = reinterpret_cast<WDP_UNITDATA*>(buffer.data());
    if (WapRead(handle, &d->base, size) != S_OK) continue;
    std::string line;
    for (const WCHAR* p = d->waSourceAddress.ptsAddress; *p != 0; ++p) line.push_back(static_cast<char>(*p));
    line += ":" + std::to_string(d->dwSourcePort) + " ";
    for (DWORD i = 0; i < d->dwUserDataSize; ++i) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", d->pbUserData[i]);
      line += hex;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    ++got;
  }
  WapClose(handle);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  if (a.size() < 5 || vsCeDevice_init(a[0], {a[1], a[2]}) != 0) return 2;
  const std::string& command = a[3];
  if (command == "send" && a.size() == 9)
    return send(std::stoul(a[4]), a[5], std::stoul(a[6]), a[7], std::stoi(a[8]));
  if (command == "hold" && a.size() == 5) return hold(std::stoul(a[4]));
  if (command == "recv" && a.size() == 6) return recv(std::stoul(a[4]), std::stoi(a[5]));
  return 2;
}
