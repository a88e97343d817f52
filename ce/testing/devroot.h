// A temporary device root for tests.
//
// The constructor makes a fresh directory under $TMPDIR (or /tmp),
// initialises it as `cedevice init` does, points CE_ROOT at it and resets
// the per-process state of the CE layer (the registry connection, the
// CE_ROOT warning); the destructor resets that state again, removes the
// directory tree and unsets CE_ROOT.
#pragma once

#include <string>

class CeDeviceRoot {
 public:
  CeDeviceRoot();
  ~CeDeviceRoot();
  CeDeviceRoot(const CeDeviceRoot&) = delete;
  CeDeviceRoot& operator=(const CeDeviceRoot&) = delete;

  // The host directory of the root.
  const std::string& path() const { return path_; }
  // The host path of a relative path under the root ("Temp/x").
  std::string host(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Resets the per-process state of the CE layer.
void vsCeTest_resetLayer();
