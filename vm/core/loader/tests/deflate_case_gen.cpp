// Writes the raw DEFLATE stream of every round-trip case with zlib
// (windowBits -15) into the folder given as the only argument, and the
// small ones, behind three bytes of output length, into its "seeds" folder
// for the decoder fuzzer.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "vm/core/loader/tests/deflate_cases.h"

static_assert(Z_DEFAULT_STRATEGY == 0 && Z_FILTERED == 1 && Z_HUFFMAN_ONLY == 2 && Z_RLE == 3 &&
              Z_FIXED == 4);

static bool writeFile(const std::string& path, const std::vector<uint8_t>& head,
                      const std::vector<uint8_t>& data) {
  // fwrite may not be handed the null data of an empty vector.
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || (!head.empty() && std::fwrite(head.data(), 1, head.size(), f) != head.size()) ||
      (!data.empty() && std::fwrite(data.data(), 1, data.size(), f) != data.size()) || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

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
    if (!writeFile(std::string(argv[1]) + "/" + deflateCaseFileName(c), {}, out)) return 1;
    const uint8_t length[3] = {static_cast<uint8_t>(c.size), static_cast<uint8_t>(c.size >> 8),
                               static_cast<uint8_t>(c.size >> 16)};
    if (c.size <= 257 && !writeFile(std::string(argv[1]) + "/seeds/" + deflateCaseFileName(c),
                                    std::vector<uint8_t>(length, length + 3), out))
      return 1;
  }
  return 0;
}
