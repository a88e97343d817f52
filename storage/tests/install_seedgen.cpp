// Writes the seed corpora of fuzz_signer and fuzz_install into DIR/signer
// and DIR/install: the shared JAD and JAR inputs (with a leading mode byte
// 0 for the signer target) and the signer's certificate (mode 1).
//
//   install_seedgen DIR
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "storage/tests/install_seeds.h"

namespace {

bool write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: install_seedgen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/signer").c_str(), 0755);
  mkdir((dir + "/install").c_str(), 0755);
  bool ok = write(dir + "/signer/certificate", std::string(1, '\1') + vsInstallSeeds_signer());
  for (const auto& [name, input] : vsInstallSeeds_all()) {
    ok = ok && write(dir + "/signer/" + name, std::string(1, '\0') + input);
    ok = ok && write(dir + "/install/" + name, input);
  }
  return ok ? 0 : 1;
}
