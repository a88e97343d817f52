#include "vm/services/lifecycle/system_package_check.h"

#include "vm/core/natives/native_method.h"
#include "vm/services/connection/system_package.h"

void vsSys_checkSystemPackage(const char* className, const char* jarName) {
  if (vsSystemPackage_isSystemClass(className, jarName))
    vsNativeMethod_fatalError("Cannot load system package from Jar");
}
