// The registries' part of the VM variables' reset before each run
// (vsConnection_resetRegistries, service_hooks.h): no protocols, no URL
// checker, the built-in internal packages alone, no system-package lists.
#include "vm/core/startup/service_hooks.h"
#include "vm/services/connection/internal_package.h"
#include "vm/services/connection/protocol_registry.h"
#include "vm/services/connection/system_package.h"
#include "vm/services/connection/url_checker.h"

void vsConnection_resetRegistries() {
  vsSystemPackage_initialize();
  vsGenericConnection_initialize();
  vsURLChecker_initialize();
  vsInternalClassAccessRestriction_initialize();
}
