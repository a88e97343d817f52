// The storage directory (see storagedir.h).
#include "port/support/storagedir.h"

#include <atomic>

#include "ce/fs/dirops.h"
#include "ce/fs/file.h"
#include "port/support/regread.h"

namespace {

std::atomic<bool> gDone{false};

}  // namespace

void GetDrmJavaPhysicalPath() {
  if (gDone.exchange(true))
    return;
  const std::u16string path = RegReadString(HKEY_CURRENT_USER, u"Software\\Vostel", u"Drm_Java_PhysicalPath");
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    CreateDirectoryW(path.c_str(), nullptr);
}
