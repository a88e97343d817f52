// Conformance check of JkImageCreate over the generated PNG corpus.
//
// Each image that must decode is decoded twice: both times the error is 0,
// the size and flags are right (transparency 1, writable 0) and
// JkImageGetARGB reads back exactly the generator's words. Each refused file
// must give its error and handle -1. After every file no graphics block is
// left allocated.
//
// Usage: png_conformance CORPUS_DIR. Prints "N fixtures, M mismatches" and
// exits 1 when M is not 0.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "ce/substrate/low_thread.h"
#include "port/kjava_gfx/jk_gfx_image.h"
#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/jk_surface.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool readFile(const std::string& path, Bytes* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f)
    return false;
  out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

// Decodes once; empty text when everything matched, else what differed.
std::string checkDecode(const Bytes& png, int32_t width, int32_t height, const std::vector<uint32_t>& expected) {
  int32_t error = 1;
  const int32_t handle = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
  if (error != 0 || handle == kJkInvalidHandle)
    return "error " + std::to_string(error);
  std::string problem;
  const JkSurface* image = jkSurface_fromHandle(handle);
  if (JkImageGetWidth(handle) != width || JkImageGetHeight(handle) != height)
    problem = "size " + std::to_string(JkImageGetWidth(handle)) + "x" + std::to_string(JkImageGetHeight(handle));
  else if (image->transparent != 1 || image->writable != 0)
    problem = "flags";
  if (problem.empty()) {
    std::vector<uint32_t> words(expected.size(), 0xDEADBEEF);
    const int32_t rect[4] = {0, 0, width, height};
    JkImageGetARGB(handle, words.data(), width * height, width, rect);
    for (size_t i = 0; i < words.size() && problem.empty(); ++i)
      if (words[i] != expected[i]) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%zu,%zu) is %08X, expected %08X", i % width, i / width, words[i],
                      expected[i]);
        problem = text;
      }
  }
  JkImageDestroy(handle);
  return problem;
}

std::string checkFixture(const std::string& dir, const std::string& line) {
  std::istringstream fields(line);
  std::string name, kind;
  fields >> name >> kind;
  Bytes png;
  if (!readFile(dir + "/" + name + ".png", &png))
    return name + ": cannot read it";
  std::string problem;
  if (kind == "ok") {
    int32_t width = 0, height = 0;
    fields >> width >> height;
    Bytes words;
    if (!readFile(dir + "/" + name + ".argb", &words) || words.size() != size_t(width) * height * 4)
      return name + ": no expected words";
    std::vector<uint32_t> expected(words.size() / 4);
    for (size_t i = 0; i < expected.size(); ++i)
      expected[i] = uint32_t{words[4 * i]} | uint32_t{words[4 * i + 1]} << 8 | uint32_t{words[4 * i + 2]} << 16 |
                    uint32_t{words[4 * i + 3]} << 24;
    // Twice: a decode must not depend on what an earlier one left behind.
    for (int pass = 1; pass <= 2 && problem.empty(); ++pass) {
      problem = checkDecode(png, width, height, expected);
      if (!problem.empty())
        problem = "decode " + std::to_string(pass) + ": " + problem;
    }
  } else {
    int32_t code = 0;
    fields >> code;
    int32_t error = 1;
    const int32_t handle = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
    if (error != code || handle != kJkInvalidHandle) {
      problem = "error " + std::to_string(error) + ", expected " + std::to_string(code);
      JkImageDestroy(handle);
    }
  }
  if (problem.empty() && jkGfx_liveBlocks() != 0)
    problem = std::to_string(jkGfx_liveBlocks()) + " blocks left allocated";
  return problem.empty() ? problem : name + ": " + problem;
}

struct Run {
  std::string dir;
  int fixtures = 0;
  int mismatches = 0;
  bool manifest = false;
};

void* runAll(void* argument) {
  auto* run = static_cast<Run*>(argument);
  std::ifstream manifest(run->dir + "/manifest.txt");
  run->manifest = static_cast<bool>(manifest);
  std::string line;
  while (std::getline(manifest, line)) {
    ++run->fixtures;
    const std::string problem = checkFixture(run->dir, line);
    if (!problem.empty()) {
      std::printf("%s\n", problem.c_str());
      ++run->mismatches;
    }
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: png_conformance CORPUS_DIR\n");
    return 2;
  }
  // Image handles are VM words: decode on a low stack, as the VM thread does.
  Run run;
  run.dir = argv[1];
  LowThread thread;
  if (!vsLowThread_start(&thread, runAll, &run, size_t{8} << 20)) {
    std::fprintf(stderr, "cannot start a low-stack thread\n");
    return 2;
  }
  vsLowThread_join(&thread, nullptr);
  if (!run.manifest) {
    std::fprintf(stderr, "no manifest in %s\n", run.dir.c_str());
    return 1;
  }
  std::printf("%d fixtures, %d mismatches\n", run.fixtures, run.mismatches);
  return run.mismatches == 0 && run.fixtures > 0 ? 0 : 1;
}
