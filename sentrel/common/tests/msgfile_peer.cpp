// msgfile_test_peer TAG: 4 threads each create 100 message files, each a
// string list {TAG-thread-index}; prints one "NUMBER TAG-thread-index" line
// per file (or "failed TAG-thread-index"). It runs on the inherited CE_ROOT.
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sentrel/common/msgfile.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string tag = argv[1];
  std::mutex lock;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) {
        const std::string text = tag + "-" + std::to_string(t) + "-" + std::to_string(i);
        const int number = writeStringList({std::u16string(text.begin(), text.end())});
        std::lock_guard<std::mutex> guard(lock);
        if (number > 0)
          std::printf("%d %s\n", number, text.c_str());
        else
          std::printf("failed %s\n", text.c_str());
      }
    });
  for (std::thread& thread : threads) thread.join();
  return 0;
}
