// Arbitrary bytes as a message file: every reader runs over them; none reads
// past the file, and what a reader accepts is whole (addresses terminated).
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sentrel/common/msgfile.h"
#include "tests/support/fuzz_main.h"

namespace {

char gRoot[] = "/tmp/msgfile_fuzzXXXXXX";

void removeRoot() { std::filesystem::remove_all(gRoot); }

// One device root for the whole run, made at the first input and removed at
// exit.
std::string hostFile() {
  static const std::string path = [] {
    if (mkdtemp(gRoot) == nullptr) __builtin_trap();
    std::atexit(removeRoot);
    setenv("CE_ROOT", gRoot, 1);
    const std::string temp = std::string(gRoot) + "/Temp";
    mkdir(temp.c_str(), 0700);
    return temp + "/00001";
  }();
  return path;
}

// Runs one reader over the input's file.
template <typename Read>
void over(Read read) {
  SentrelMessageFile file;
  if (file.open(1, false) != 1) __builtin_trap();
  read(file);
  file.close();
}

void body(const uint8_t* data, size_t size) {
  FILE* out = std::fopen(hostFile().c_str(), "wb");
  if (out == nullptr || (size > 0 && std::fwrite(data, 1, size, out) != size)) __builtin_trap();
  std::fclose(out);
  over([size](SentrelMessageFile& file) {
    WapMsg msg;
    if (msg.readFromFile(file) &&
        (msg.sourceAddress[63] != 0 || msg.destinationAddress[63] != 0 || msg.payload.size() + 288 > size))
      __builtin_trap();
  });
  over([](SentrelMessageFile& file) {
    PushRegistrationBody body;
    readPushRegistration(file, body);
  });
  over([](SentrelMessageFile& file) {
    AlarmBody body;
    readAlarm(file, body);
  });
  over([](SentrelMessageFile& file) {
    LaunchBody body;
    readLaunch(file, body);
  });
  over([size](SentrelMessageFile& file) {
    std::vector<std::u16string> items;
    if (readStringList(file, items) && items.size() * 6 + 4 > size) __builtin_trap();
  });
}

}  // namespace

VS_FUZZ_TARGET(body)
