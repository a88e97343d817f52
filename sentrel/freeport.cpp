// The free-port walk (see freeport.h).
#include "sentrel/freeport.h"

#include "ce/wap/wdp.h"

namespace {

constexpr DWORD kReservedPorts[] = {2805, 2923, 2948, 2949, 5502, 5503,  5508,  5511, 5512,
                                    9200, 9201, 9202, 9203, 9207, 49996, 49999, 65535};
static_assert(sizeof kReservedPorts / sizeof kReservedPorts[0] == 17, "17 reserved ports");

}  // namespace

bool isReservedPort(DWORD port) {
  for (DWORD reserved : kReservedPorts)
    if (reserved == port) return true;
  return false;
}

DWORD findFreePort(PortProbe probe) {
  for (DWORD port = 65535; port >= 1; --port)
    if (!isReservedPort(port) && probe(port)) return port;
  return 0;
}

bool probeWapPort(DWORD port) {
  WAP_HANDLE handle = 0;
  HANDLE event = nullptr;
  if (WapOpen(WAP_LAYER_WDP, port, &handle, &event) != S_OK) return false;
  WapClose(handle);
  return true;
}
