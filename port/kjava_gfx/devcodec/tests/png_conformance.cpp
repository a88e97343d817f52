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
#include <string>
#include <vector>

#include "ce/substrate/low_thread.h"
#include "port/kjava_gfx/devcodec/tests/png_corpus_files.h"
#include "port/kjava_gfx/jk_gfx_image.h"
#include "port/kjava_gfx/jk_gfx_memory.h"
#include "port/kjava_gfx/jk_surface.h"

namespace {

using png_corpus::Bytes;

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

std::string checkFixture(const std::string& dir, const png_corpus::Entry& e) {
  Bytes png;
  if (!png_corpus::readFile(dir + "/" + e.name + ".png", &png))
    return e.name + ": cannot read it";
  std::string problem;
  if (e.ok) {
    std::vector<uint32_t> expected;
    if (!png_corpus::readValues(dir + "/" + e.name + ".argb", &expected) ||
        expected.size() != size_t(e.width) * e.height)
      return e.name + ": no expected words";
    // Twice: a decode must not depend on what an earlier one left behind.
    for (int pass = 1; pass <= 2 && problem.empty(); ++pass) {
      problem = checkDecode(png, e.width, e.height, expected);
      if (!problem.empty())
        problem = "decode " + std::to_string(pass) + ": " + problem;
    }
  } else {
    int32_t error = 1;
    const int32_t handle = JkImageCreate(png.data(), static_cast<uint32_t>(png.size()), &error);
    if (error != e.code || handle != kJkInvalidHandle) {
      problem = "error " + std::to_string(error) + ", expected " + std::to_string(e.code);
      JkImageDestroy(handle);
    }
  }
  if (problem.empty() && jkGfx_liveBlocks() != 0)
    problem = std::to_string(jkGfx_liveBlocks()) + " blocks left allocated";
  return problem.empty() ? problem : e.name + ": " + problem;
}

struct Run {
  std::string dir;
  int fixtures = 0;
  int mismatches = 0;
  bool manifest = false;
};

void* runAll(void* argument) {
  auto* run = static_cast<Run*>(argument);
  std::vector<png_corpus::Entry> entries;
  run->manifest = png_corpus::readManifest(run->dir, &entries);
  for (const png_corpus::Entry& e : entries) {
    ++run->fixtures;
    const std::string problem = checkFixture(run->dir, e);
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
