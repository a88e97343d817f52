// The launcher's option pairs (see midprun_options.h).
#include "tools/midprun/midprun_options.h"

#include <map>

namespace {

std::map<std::string, std::string>& options() {
  static std::map<std::string, std::string> pairs;
  return pairs;
}

}  // namespace

void vsMidprun_storeOption(const std::string& key, const std::string& value) { options()[key] = value; }
