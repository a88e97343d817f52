// Independent check of the PNG corpus: Debian's libpng decodes every image
// the generator marks for it, and the samples must equal the generator's.
//
// libpng runs with no gamma or colour transform: palettes and low bit depths
// are expanded to 8-bit samples, a tRNS key or table becomes alpha, grey is
// replicated into red, green and blue, and images without alpha get a full
// alpha channel. 16-bit images stay 16-bit. CRC errors of any chunk are
// ignored and unknown chunks kept, because the corpus pins that the decoder
// skips them unchecked; only the image rows are read, not what follows them.
//
// Usage: png_libpng_check CORPUS_DIR. Prints "N fixtures, M mismatches" and
// exits 1 when M is not 0 or a file cannot be read.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "port/kjava_gfx/devcodec/tests/png_corpus_files.h"

namespace {

using png_corpus::Bytes;

struct Reader {
  const Bytes* data;
  size_t position;
};

void readCallback(png_structp png, png_bytep out, size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (r->data->size() - r->position < n)
    png_error(png, "read past the end");
  std::memcpy(out, r->data->data() + r->position, n);
  r->position += n;
}

// Decodes to RGBA samples (u16 each, at 8 or 16 bits); false on a libpng error.
bool decode(const Bytes& file, uint32_t* width, uint32_t* height, std::vector<uint16_t>* samples) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Reader reader{&file, 0};
  std::vector<png_bytep> rows;
  Bytes pixels;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, readCallback);
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  if (rowBytes != size_t{*width} * 4 * (depth / 8))
    png_error(png, "unexpected row layout");
  pixels.resize(rowBytes * *height);
  rows.resize(*height);
  for (uint32_t y = 0; y < *height; ++y)
    rows[y] = pixels.data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);

  samples->clear();
  for (size_t i = 0; i < pixels.size(); i += depth / 8)
    samples->push_back(depth == 16 ? static_cast<uint16_t>(pixels[i] << 8 | pixels[i + 1]) : pixels[i]);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: png_libpng_check CORPUS_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<png_corpus::Entry> entries;
  if (!png_corpus::readManifest(dir, &entries)) {
    std::fprintf(stderr, "no manifest in %s\n", dir.c_str());
    return 1;
  }
  int fixtures = 0, mismatches = 0;
  for (const png_corpus::Entry& e : entries) {
    if (!e.ok || !e.libpng)
      continue;
    ++fixtures;
    Bytes file;
    std::vector<uint16_t> expected;
    if (!png_corpus::readFile(dir + "/" + e.name + ".png", &file) ||
        !png_corpus::readValues(dir + "/" + e.name + ".rgba", &expected)) {
      std::printf("%s: cannot read its files\n", e.name.c_str());
      ++mismatches;
      continue;
    }
    uint32_t w = 0, h = 0;
    std::vector<uint16_t> got;
    if (!decode(file, &w, &h, &got)) {
      std::printf("%s: libpng refused it\n", e.name.c_str());
      ++mismatches;
      continue;
    }
    if (w != uint32_t(e.width) || h != uint32_t(e.height) || got != expected) {
      size_t at = 0;
      while (at < got.size() && at < expected.size() && got[at] == expected[at])
        ++at;
      std::printf("%s: %ux%u, differs from the generator's samples at sample %zu\n", e.name.c_str(), w, h, at);
      ++mismatches;
    }
  }
  std::printf("%d fixtures, %d mismatches\n", fixtures, mismatches);
  return mismatches == 0 && fixtures > 0 ? 0 : 1;
}
