// The built-in parts (see parts.h).
#include "vm/services/connection/parts.h"

#include "vm/services/connection/connection.h"
#include "vm/services/connection/protocol_registry.h"
#include "vm/services/connection/system_package.h"
#include "vm/services/connection/url_checker.h"

namespace {

enum class Part { Midp, Wma };

struct BuiltInProtocol {
  const char* protocol;
  const char* className;
  Part part;
};

constexpr BuiltInProtocol kProtocols[] = {
    {"http", "jp.co.orvex.cldc.io.j2me.http.HttpConnectionImpl", Part::Midp},
    {"https", "jp.co.orvex.cldc.io.j2me.http.HttpsConnectionImpl", Part::Midp},
    {"resource", "com.vostel.io.j2me.resource.Protocol", Part::Midp},
    {"socket", "jp.co.orvex.cldc.io.j2me.socket.SocketConnectionFactory", Part::Midp},
    {"ssl", "jp.co.orvex.cldc.io.j2me.securesocket.SecureConnectionImpl", Part::Midp},
    {"sms", "jp.co.orvex.cldc.wireless.messaging.SMSConnectionImpl", Part::Wma},
    {"cbs", "jp.co.orvex.cldc.wireless.messaging.CBSConnectionImpl", Part::Wma},
};

// The MIDP part adds no system package of its own.
constexpr const char* kMidpSystemPackages[] = {nullptr};

void registerProtocols(Part part) {
  for (const BuiltInProtocol& p : kProtocols)
    if (p.part == part) vsGenericConnection_register(p.protocol, p.className);
}

}  // namespace

int32_t vsParts_initializeAll() {
  vsMidpPart_initialize();
  vsEmptyPart_initialize();
  vsWmaPart_initialize();
  return 0;
}

int32_t vsMidpPart_initialize() {
  vsMidp_registerSystemPackages();
  vsMidp_registerProtocols();
  vsMidp_registerURLChecker();
  vsConnection_initialize();
  return 0;
}

int32_t vsEmptyPart_initialize() { return 0; }

int32_t vsWmaPart_initialize() {
  vsWma_registerProtocols();
  return 0;
}

void vsMidp_registerSystemPackages() { vsSystemPackage_register(kMidpSystemPackages); }

void vsMidp_registerProtocols() { registerProtocols(Part::Midp); }

void vsMidp_registerURLChecker() { vsURLChecker_registerClassName(kVsMidp_urlCheckerClass); }

void vsWma_registerProtocols() { registerProtocols(Part::Wma); }
