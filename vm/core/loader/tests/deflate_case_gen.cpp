// Writes the raw DEFLATE stream of every round-trip case with zlib
// (windowBits -15) into the folder given as the only argument.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "vm/core/loader/tests/deflate_cases.h"

static_assert(Z_DEFAULT_STRATEGY == 0 && Z_FILTERED == 1 && Z_HUFFMAN_ONLY == 2 && Z_RLE == 3 &&
              Z_FIXED == 4);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  for (const DeflateCase& c : deflateCases()) {
    std::vector<uint8_t> in = deflateCaseInput(c.data, c.size);
    z_stream z{};
    if (deflateInit2(&z, c.level, Z_DEFLATED, -15, 8, static_cast<int>(c.strategy)) != Z_OK)
      return 1;
    std::vector<uint8_t> out(deflateBound(&z, in.size()) + 16);
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return 1;
    out.resize(z.total_out);
    deflateEnd(&z);
    const std::string path = std::string(argv[1]) + "/" + deflateCaseFileName(c);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() ||
        std::fclose(f) != 0) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
