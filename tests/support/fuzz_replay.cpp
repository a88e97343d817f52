// The main of a fuzz target's replay program: runs LLVMFuzzerTestOneInput
// once on every file named on the command line or found (sorted) in a
// folder named there, and prints how many inputs ran. A target that fails
// ends the program the way it would end the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    if (std::filesystem::is_directory(argv[i], error)) {
      std::vector<std::string> inside;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i]))
        if (entry.is_regular_file()) inside.push_back(entry.path().string());
      std::sort(inside.begin(), inside.end());
      files.insert(files.end(), inside.begin(), inside.end());
    } else if (std::filesystem::is_regular_file(argv[i], error)) {
      files.emplace_back(argv[i]);
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 2;
    }
  }
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs\n", files.size());
  return files.empty() ? 1 : 0;
}
