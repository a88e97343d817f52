// The compatibility-test agent (see tck_agent.h).
#include "vm/services/descriptor/tck_agent.h"

#include <cstdio>
#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/services/descriptor/class_choice.h"
#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/descriptor_env.h"
#include "vm/services/descriptor/tck_transfer.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr int32_t kServerUrlSize = 64;
constexpr int32_t kServerSize = 64;
constexpr int32_t kHostSize = 32;
constexpr int32_t kPortSize = 8;
constexpr int32_t kUrlSize = 128;
constexpr int32_t kFetchServerLimit = 32;
constexpr int32_t kRetryPauseMilliseconds = 200;
constexpr int32_t kHttpOk = 200;
constexpr int32_t kHttpUnavailable = 503;

VS_VMBSS(char[kServerUrlSize]) gServerUrl = {};
VS_VMBSS(char[kServerSize]) gServer = {};
VS_VMBSS(char[kHostSize]) gHost = {};
VS_VMBSS(char[kPortSize]) gPort = {};
VS_VMBSS(char[kUrlSize]) gUrl = {};

constexpr char kServerKey[] = "microVostel-TckServer";
constexpr char kHostArgument[] = "-tck_host";
constexpr char kUnknownHost[] = "http://localhost/";
constexpr char kDefaultPort[] = ":8088";

struct AgentClass {
  const char* name;
  int32_t kind;
};
constexpr AgentClass kAgentClasses[] = {
    {"jp.co.orvex.cldc.tck.TCK", kVsTckKindCldc},
    {"jp.co.orvex.midp.tck.TCK", kVsTckKindMidp},
    {"jp.co.orvex.doja.tck.TCK", kVsTckKindCldc},
};

// The key sets, indexed by kind; key 0 is not set.
struct KeySet {
  const char* requestName;
  const char* keys[kVsTckKeyCount];
};
constexpr KeySet kKeySets[] = {
    {"getNextApp",
     {nullptr, "JAR-File-Size", "Main-Class", "JAR-File-URL", "MyConcierge", "UseBrowser", "UseTelephone"}},
    {"getNextApp.jad",
     {nullptr, "MIDlet-Jar-Size", "MIDlet-1", "MIDlet-Jar-URL", "MyConcierge", "UseBrowser", "UseTelephone"}},
};
static_assert(kKeySets[kVsTckKindCldc].keys[kVsTckKeyMainClass][0] == 'M' &&
              kKeySets[kVsTckKindMidp].keys[kVsTckKeyJarUrl][7] == 'J');

bool endsWith(const char* text, size_t length, const char* tail) {
  const size_t n = std::strlen(tail);
  return length >= n && std::memcmp(text + length - n, tail, n) == 0;
}

bool startsWith(const char* text, size_t length, const char* head) {
  const size_t n = std::strlen(head);
  return length >= n && std::memcmp(text, head, n) == 0;
}

// The JAD's server key into gServerUrl, when it has one of the accepted form.
void readServerKey(const JKT_MIDP_Application* app, int32_t workSize, void* workArea) {
  if (!app->jadAddr && app->jadRead == 0) return;
  int32_t error = 0;
  const OamsHandle env = OamsEnvInitialize(workSize, workArea, &error);
  if (env == -1) {
    vsTraceLog_error("#### OamsEnvInitialize: ret=%0xH error=%d\n", static_cast<uint32_t>(env), error);
    return;
  }
  const auto reader = reinterpret_cast<VsDescriptorReadCallback>(static_cast<uintptr_t>(app->jadRead));
  const OamsHandle jad = OamsJadOpen(env, app->jadSize, app->jadAddr.get(), reader, &error);
  if (jad == -1) {
    vsTraceLog_error("#### OamsJadOpen: ret=%0xH error=%d\n", static_cast<uint32_t>(jad), error);
  } else {
    int32_t length = 0;
    const char* value = OamsDescriptorGetValueByKey(
        env, jad, kServerKey, static_cast<int32_t>(sizeof(kServerKey) - 1), &length, &error);
    if (value == nullptr) {
      vsTraceLog_error("#### OamsDescriptorGetValueByKey: ret=%0xH error=%d\n", 0u, error);
    } else {
      const size_t n = static_cast<size_t>(length);
      const bool accepted = n > 3 && n < kServerUrlSize && endsWith(value, n, "/") &&
                            !endsWith(value, n, "//") &&
                            (startsWith(value, n, "http://") || startsWith(value, n, "https://"));
      if (accepted) {
        std::memcpy(gServerUrl, value, n);
        gServerUrl[n] = '\0';
      }
    }
    OamsDescriptorClose(env, jad);
  }
  OamsEnvFinalize(env);
}

// "-tck_host VALUE" out of argv: the value, or null.
const char* takeHostArgument(int32_t* argc, char** argv) {
  for (int32_t i = 0; argc != nullptr && argv != nullptr && i < *argc; ++i) {
    if (argv[i] == nullptr || std::strcmp(argv[i], kHostArgument) != 0) continue;
    if (i + 1 >= *argc) {
      vsTraceLog_error("#### TCK host get failed.\n");
      return nullptr;
    }
    const char* value = argv[i + 1];
    for (int32_t j = i + 2; j < *argc; ++j) argv[j - 2] = argv[j];
    *argc -= 2;
    return value;
  }
  return nullptr;
}

// "host[:port]" of the URL into gServer, ":8088" added without a port.
bool setServer(const char* url) {
  const char* host = url;
  const char* colon = std::strchr(url, ':');
  if (colon != nullptr && colon[1] == '/' && colon[2] == '/') host = colon + 3;
  const char* slash = std::strchr(host, '/');
  const size_t length = slash != nullptr ? static_cast<size_t>(slash - host) : std::strlen(host);
  const bool hasPort = std::memchr(host, ':', length) != nullptr;
  const size_t total = length + (hasPort ? 0 : sizeof(kDefaultPort) - 1);
  if (total >= kServerSize) {
    vsTraceLog_error("#### TCK AGENT INIT FAILED\n");
    return false;
  }
  std::memcpy(gServer, host, length);
  gServer[length] = '\0';
  if (!hasPort) std::strcat(gServer, kDefaultPort);
  return true;
}

// Splits gServer into gHost and gPort, with their defaults.
bool splitServer() {
  const char* server = gServer;
  if (std::strlen(server) >= kFetchServerLimit) return false;
  const char* colon = std::strchr(server, ':');
  const size_t hostLength = colon != nullptr ? static_cast<size_t>(colon - server) : std::strlen(server);
  if (hostLength >= kHostSize) return false;
  const char* port = colon != nullptr ? colon + 1 : server + hostLength;
  const char* slash = std::strchr(port, '/');
  const size_t portLength = slash != nullptr ? static_cast<size_t>(slash - port) : std::strlen(port);
  if (portLength >= kPortSize) return false;
  std::snprintf(gHost, kHostSize, "%.*s", static_cast<int>(hostLength), server);
  std::snprintf(gPort, kPortSize, "%.*s", static_cast<int>(portLength), port);
  if (hostLength == 0) std::strcpy(gHost, "localhost");
  if (portLength == 0) std::strcpy(gPort, "8080");
  return true;
}

// GET url into buffer (size bytes): the status, with the body moved to the
// buffer's start and its length in *bodyLength; or a negative result.
int32_t httpGet(const char* url, uint8_t* buffer, int32_t size, int32_t* bodyLength) {
  int32_t received = size;
  const int32_t status = vsTckAgent_httpTransfer(url, buffer, &received);
  if (status < 0) return status;
  for (int32_t i = 0; i + 4 <= received; ++i) {
    if (std::memcmp(buffer + i, "\r\n\r\n", 4) != 0) continue;
    const int32_t headerSize = i + 4;
    *bodyLength = received - headerSize;
    std::memmove(buffer, buffer + headerSize, static_cast<size_t>(*bodyLength));
    return status;
  }
  vsTraceLog_error("ERROR: invalid JAD file.\n");
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Offset of the first line of text[0, length) that begins with key followed
// by optional blanks and ":", just behind the ":"; or -1.
int32_t findKey(const char* text, int32_t length, const char* key) {
  const int32_t keyLength = static_cast<int32_t>(std::strlen(key));
  for (int32_t line = 0; line < length;) {
    if (line + keyLength <= length && std::memcmp(text + line, key, static_cast<size_t>(keyLength)) == 0) {
      int32_t i = line + keyLength;
      while (i < length && isBlank(text[i])) ++i;
      if (i < length && text[i] == ':') return i + 1;
    }
    while (line < length && !isLineEnd(text[line])) ++line;
    while (line < length && isLineEnd(text[line])) ++line;
  }
  return -1;
}

int32_t fetch(VsTckAgent* agent, bool withJar) {
  if (!splitServer()) return -1;
  const char* request = agent->requestName ? agent->requestName.get() : "";
  const int32_t length = std::snprintf(gUrl, kUrlSize, "http://%s:%s/test/%s", gHost, gPort, request);
  if (length < 0 || length >= kUrlSize) {
    vsTraceLog_error("TCK ERROR : send buffer over.\n");
    return -1;
  }
  vsTraceLog_print("vsTck: download JAD\n");
  int32_t status = kHttpUnavailable;
  int32_t descriptorLength = 0;
  for (bool first = true; status == kHttpUnavailable; first = false) {
    if (!first) vsTckAgent_pause(kRetryPauseMilliseconds);
    status = httpGet(gUrl, agent->descriptorBuffer.get(), agent->descriptorSize, &descriptorLength);
  }
  if (status < 0) return -2;
  if (status != kHttpOk) return -3;
  agent->descriptorLength = descriptorLength;
  const char* descriptor = reinterpret_cast<const char*>(agent->descriptorBuffer.get());
  if (vsTck_extractValue(agent, kVsTckKeyJarUrl, descriptor, descriptorLength, agent->jarUrlBuffer.get(),
                         agent->jarUrlSize) != 0)
    return -4;
  if (vsTck_extractValue(agent, kVsTckKeyMainClass, descriptor, descriptorLength,
                         agent->classNameBuffer.get(), agent->classNameSize) != 0)
    return -6;
  if (!withJar) return status;
  vsTraceLog_print("vsTck: download a Test Case JAR.\n");
  int32_t jarLength = 0;
  status = httpGet(agent->jarUrlBuffer.get(), agent->jarBuffer.get(), agent->jarSize, &jarLength);
  if (status < 0) return -5;
  agent->jarLength = jarLength;
  return status;
}

}  // namespace

int32_t vsTck_setUp(VsTckAgent* agent, const JKT_MIDP_Application* app, int32_t* argc, char** argv,
                    int32_t workSize, void* workArea, const char* mainClass) {
  const AgentClass* found = nullptr;
  for (const AgentClass& c : kAgentClasses)
    if (mainClass != nullptr && std::strcmp(mainClass, c.name) == 0) found = &c;
  if (found == nullptr) return 0;
  gServerUrl[0] = '\0';
  if (app != nullptr) readServerKey(app, workSize, workArea);
  const char* url = gServerUrl;
  if (url[0] != '\0') {
    vsTraceLog_print("#### TCK host is '%s'\n", url);
  } else {
    vsTraceLog_print("#### TCK host is unknown. Check \"microVostel-TckServer\" in JAD\n");
    url = kUnknownHost;
  }
  if (const char* value = takeHostArgument(argc, argv); value != nullptr) url = value;
  if (!setServer(url)) return -1;
  const VsTckInfo* info = app != nullptr ? app->tckInfo.get() : nullptr;
  if (info == nullptr) {
    vsTraceLog_error("#### TCK AGENT INIT FAILED\n");
    return -1;
  }
  *agent = {};
  agent->setUp = 1;
  agent->kind = found->kind;
  agent->server = gServer;
  agent->descriptorBuffer = info->descriptorBuffer;
  agent->descriptorSize = info->descriptorSize;
  agent->jarBuffer = info->jarBuffer;
  agent->jarSize = info->jarSize;
  agent->jarUrlBuffer = info->jarUrlBuffer;
  agent->jarUrlSize = info->jarUrlSize;
  agent->classNameBuffer = info->classNameBuffer;
  agent->classNameSize = info->classNameSize;
  return 1;
}

int32_t vsTck_setKeys(VsTckAgent* agent) {
  const KeySet& set = kKeySets[agent->kind == kVsTckKindMidp ? kVsTckKindMidp : kVsTckKindCldc];
  for (int32_t i = 0; i < kVsTckKeyCount; ++i) vsTck_setKey(agent, i, set.keys[i]);
  vsTck_setRequestName(agent, 0, set.requestName);
  return 0;
}

const char* vsTck_getKey(const VsTckAgent* agent, int32_t index) {
  if (index < 0 || index >= kVsTckKeyCount) {
    vsTraceLog_error("vsTck: get key index error.\n");
    return nullptr;
  }
  return agent->keys[index].get();
}

const char* vsTck_setKey(VsTckAgent* agent, int32_t index, const char* text) {
  if (index < 0 || index >= kVsTckKeyCount) {
    vsTraceLog_error("vsTck: set key index error.\n");
    return nullptr;
  }
  agent->keys[index] = text;
  return text;
}

const char* vsTck_getRequestName(const VsTckAgent* agent, int32_t index) {
  if (index != 0) {
    vsTraceLog_error("vsTck: get key index error.\n");
    return nullptr;
  }
  return agent->requestName.get();
}

const char* vsTck_setRequestName(VsTckAgent* agent, int32_t index, const char* text) {
  if (index != 0) {
    vsTraceLog_error("vsTck: set key index error.\n");
    return nullptr;
  }
  agent->requestName = text;
  return text;
}

int32_t vsTck_fetchAll(VsTckAgent* agent) { return fetch(agent, true); }

int32_t vsTck_fetchDescriptor(VsTckAgent* agent) { return fetch(agent, false); }

int32_t vsTck_extractValue(const VsTckAgent* agent, int32_t index, const char* text, int32_t length,
                           char* out, int32_t size) {
  const char* key = vsTck_getKey(agent, index);
  if (key == nullptr || text == nullptr || out == nullptr || size < 1 || length < 0) return -1;
  int32_t i = findKey(text, length, key);
  if (i < 0) return -1;
  const int32_t commas = agent->kind == kVsTckKindMidp && index == kVsTckKeyMainClass ? 2 : 0;
  for (int32_t skipped = 0; skipped < commas; ++i) {
    if (i >= length || text[i] == '\0' || isLineEnd(text[i])) return -1;
    if (text[i] == ',') ++skipped;
  }
  while (i < length && isBlank(text[i])) ++i;
  int32_t n = 0;
  while (i < length && text[i] != '\0' && !isLineEnd(text[i]) && n < size - 1) out[n++] = text[i++];
  out[n] = '\0';
  return 0;
}

int32_t AmTckGetDescriptor(int32_t workSize, void* workArea, const JKT_MIDP_Application* app) {
  vsTraceLog_print("=== service API trace: AmTckGetDescriptor()\n");
  if (app == nullptr || workArea == nullptr) return -3;
  // The name, NUL-terminated, at the start of the area; the rest stays work
  // area.
  char* name = static_cast<char*>(workArea);
  int32_t nameBytes = 0;
  if (app->className) {
    if (app->classNameLen < 1 || workSize <= app->classNameLen + 4) return -3;
    std::memcpy(name, app->className.get(), static_cast<size_t>(app->classNameLen));
    name[app->classNameLen] = '\0';
    nameBytes = (app->classNameLen + 4) & ~3;
  } else {
    if (vsApp_chooseClassName(app, name, workSize) < 1) return -3;
    nameBytes = kVsClassChoiceNameBytes;
  }
  VsTckAgent agent;
  if (vsTck_setUp(&agent, app, nullptr, nullptr, workSize - nameBytes, name + nameBytes, name) <= 0)
    return -1;
  vsTck_setKeys(&agent);
  if (vsTck_fetchDescriptor(&agent) < 0) return -2;
  app->tckInfo->descriptorLength = agent.descriptorLength;
  return agent.descriptorLength;
}
