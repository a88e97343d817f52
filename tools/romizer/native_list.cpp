// Lists of natives (see native_list.h).
#include "tools/romizer/native_list.h"

#include <fstream>
#include <set>

#include "tools/romizer/romizer_model.h"

namespace {

std::string trimmed(const std::string& s) {
  const char* blanks = " \t\r";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// class '.' method '(' arguments ')' result, with no blank inside.
bool wellShaped(const std::string& entry) {
  if (entry.find_first_of(" \t") != std::string::npos) return false;
  const size_t open = entry.find('(');
  if (open == std::string::npos) return false;
  const size_t dot = entry.rfind('.', open);
  const size_t close = entry.find(')', open);
  return dot != std::string::npos && dot > 0 && dot + 1 < open && close != std::string::npos &&
         close + 1 < entry.size() && entry.find_first_of("()", close + 1) == std::string::npos;
}

}  // namespace

std::vector<NativeListEntry> romizer_readNativeList(const char* path) {
  std::ifstream in(path);
  if (!in) romizer_fail("cannot read the list of natives %s", path);
  std::vector<NativeListEntry> entries;
  std::set<std::string> seen;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string entry = trimmed(line);
    if (entry.empty() || entry[0] == '#') continue;
    if (!wellShaped(entry))
      romizer_fail("%s:%d: not of the form class.method(descriptor): %s", path, number, entry.c_str());
    if (!seen.insert(entry).second) romizer_fail("%s:%d: %s is listed twice", path, number, entry.c_str());
    entries.push_back({entry, number});
  }
  return entries;
}
