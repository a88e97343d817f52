// Classes the VM cannot run without (see required_class.h).
#include "vm/core/interp/required_class.h"

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"

VmRef vsVm_loadRequiredClass(const char* name) {
  const VmRef cls = vsClass_findOrLoadByName(name, 1);
  if (cls == 0 || vsException_isPending()) vsVm_fatalErrorCode(kFatalRequiredClass);
  return cls;
}
