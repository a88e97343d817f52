// The compatibility-test agent's native side: whether a run is a test run,
// where the test server is, and the fetch of the next test's descriptor
// and JAR over the port's HTTP functions (tck_transfer.h).
//
//   VsTckAgent (23 words, cleared before it is filled; the VM start hands
//   it to the core as the test-harness record, whose words 6 and 7 give
//   the test JAR)
//   +0  set-up flag (1)          +4  kind (0 CLDC and DoJa agents, 1 MIDP)
//   +8  server text "host:port"
//   +12 descriptor buffer  +16 length received  +20 buffer size
//   +24 JAR buffer         +28 length received  +32 buffer size
//   +36 JAR-URL buffer     +40 spare            +44 buffer size
//   +48 class-name buffer  +52 spare            +56 buffer size
//   +60 .. +84 seven descriptor keys     +88 request name
//
// The server, host, port and URL buffers are VM variables: one fetch runs
// at a time, on the VM thread or the host's test loop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/services/descriptor/midp_application.h"

inline constexpr int32_t kVsTckKeyCount = 7;
inline constexpr int32_t kVsTckKeyMainClass = 2;
inline constexpr int32_t kVsTckKeyJarUrl = 3;

enum : int32_t {
  kVsTckKindCldc = 0,  // also the DoJa agent
  kVsTckKindMidp = 1,
};

struct VsTckAgent {
  int32_t setUp;
  int32_t kind;
  VmPtr<const char> server;
  VmPtr<uint8_t> descriptorBuffer;
  int32_t descriptorLength;
  int32_t descriptorSize;
  VmPtr<uint8_t> jarBuffer;
  int32_t jarLength;
  int32_t jarSize;
  VmPtr<char> jarUrlBuffer;
  int32_t spare1;
  int32_t jarUrlSize;
  VmPtr<char> classNameBuffer;
  int32_t spare2;
  int32_t classNameSize;
  VmPtr<const char> keys[kVsTckKeyCount];
  VmPtr<const char> requestName;
};
static_assert(sizeof(VsTckAgent) == 23 * 4);
static_assert(offsetof(VsTckAgent, kind) == 4 && offsetof(VsTckAgent, server) == 8 &&
              offsetof(VsTckAgent, descriptorBuffer) == 12 && offsetof(VsTckAgent, jarBuffer) == 24 &&
              offsetof(VsTckAgent, jarLength) == 28 && offsetof(VsTckAgent, jarUrlBuffer) == 36 &&
              offsetof(VsTckAgent, classNameBuffer) == 48 && offsetof(VsTckAgent, keys) == 60 &&
              offsetof(VsTckAgent, requestName) == 88);

// 1 when mainClass is a test agent class and the agent is set up from the
// record's JAD, the "-tck_host" VM argument (removed from argv, *argc drops
// by 2) and the record's test parameters; 0 when mainClass is no test
// agent; -1 on failure. The work area holds the JAD's descriptor
// environment for the time of the call.
int32_t vsTck_setUp(VsTckAgent* agent, const JKT_MIDP_Application* app, int32_t* argc, char** argv,
                    int32_t workSize, void* workArea, const char* mainClass);
// Fills the key set and request name of the agent's kind: 0.
int32_t vsTck_setKeys(VsTckAgent* agent);
// Index 0-6 (request name: 0); another index logs and gives null.
const char* vsTck_getKey(const VsTckAgent* agent, int32_t index);
const char* vsTck_setKey(VsTckAgent* agent, int32_t index, const char* text);
const char* vsTck_getRequestName(const VsTckAgent* agent, int32_t index);
const char* vsTck_setRequestName(VsTckAgent* agent, int32_t index, const char* text);

// The next test's descriptor (and for fetchAll its JAR): the HTTP status
// (200), or -1 (server text or URL too long, transfer failed), -2 (no
// descriptor), -3 (a status other than 200), -4 (no JAR URL), -5 (no JAR),
// -6 (no main class).
int32_t vsTck_fetchAll(VsTckAgent* agent);
int32_t vsTck_fetchDescriptor(VsTckAgent* agent);

// The value of key index in text[0, length): the key must begin a line and
// be followed by optional blanks and ":"; for the MIDP agent's main-class
// key the third comma-separated field. Copied NUL-terminated into out
// (size bytes, cut to size - 1): 0, or -1.
int32_t vsTck_extractValue(const VsTckAgent* agent, int32_t index, const char* text, int32_t length,
                           char* out, int32_t size);

// The host's test installer: the next descriptor into the record's test
// parameters. Its length (also stored in the parameters' descriptor
// length), -1 (no agent), -2 (fetch failed) or -3 (no main class).
int32_t AmTckGetDescriptor(int32_t workSize, void* workArea, const JKT_MIDP_Application* app);
