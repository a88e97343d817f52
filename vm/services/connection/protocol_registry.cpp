// The protocol registry (see protocol_registry.h).
#include "vm/services/connection/protocol_registry.h"

#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

namespace {

struct VsProtocolTable {
  VsProtocolEntry entries[kVsProtocol_entries];
};

VS_VMBSS(VsProtocolTable) gProtocols{};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameScheme(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (lowerAscii(*a) != lowerAscii(*b)) return false;
  return *a == *b;
}

// A memory-service copy of the text, or null.
char* copy(const char* text) {
  const size_t size = std::strlen(text) + 1;
  auto* block = static_cast<char*>(vsMemory_allocPointer(static_cast<int32_t>(size)));
  if (block != nullptr) std::memcpy(block, text, size);
  return block;
}

}  // namespace

void vsGenericConnection_initialize() { gProtocols = {}; }

int32_t vsGenericConnection_register(const char* protocol, const char* className) {
  if (protocol == nullptr || className == nullptr) return -1;
  VsProtocolEntry* free = nullptr;
  for (VsProtocolEntry& e : gProtocols.entries) {
    if (e.protocol.get() == nullptr) {
      if (free == nullptr) free = &e;
    } else if (sameScheme(e.protocol.get(), protocol)) {
      vsTraceLog_error("vsGenericConnection: Error!! %s is already registered.\n", protocol);
      return -1;
    }
  }
  if (free == nullptr) {
    vsTraceLog_error("vsGenericConnection: Could not register. table is over.\n");
    return -1;
  }
  char* protocolCopy = copy(protocol);
  char* classCopy = copy(className);
  if (protocolCopy == nullptr || classCopy == nullptr) {
    if (protocolCopy != nullptr) vsMemory_freePointer(protocolCopy);
    if (classCopy != nullptr) vsMemory_freePointer(classCopy);
    vsTraceLog_error("vsGenericConnection: Could not register %s. no memory.\n", protocol);
    return -1;
  }
  free->protocol = protocolCopy;
  free->className = classCopy;
  return 0;
}

const char* vsGenericConnection_getClassName(const char* protocol) {
  if (protocol == nullptr) return nullptr;
  for (const VsProtocolEntry& e : gProtocols.entries)
    if (e.protocol.get() != nullptr && sameScheme(e.protocol.get(), protocol)) return e.className.get();
  return nullptr;
}
