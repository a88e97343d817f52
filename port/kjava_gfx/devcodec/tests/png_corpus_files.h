// Reading the PNG corpus that png_corpus.py writes: its manifest, the image
// files and the little-endian arrays of expected values beside them.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace png_corpus {

using Bytes = std::vector<uint8_t>;

// One manifest line: "NAME ok WIDTH HEIGHT LIBPNG" or "NAME error CODE".
struct Entry {
  std::string name;
  bool ok = false;
  int32_t width = 0;
  int32_t height = 0;
  bool libpng = false;
  int32_t code = 0;
};

inline bool readFile(const std::string& path, Bytes* out) {
  std::ifstream f(path, std::ios::binary);
  if (!f)
    return false;
  out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

// False when the manifest cannot be read.
inline bool readManifest(const std::string& dir, std::vector<Entry>* entries) {
  std::ifstream manifest(dir + "/manifest.txt");
  if (!manifest)
    return false;
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    Entry e;
    std::string kind;
    fields >> e.name >> kind;
    e.ok = kind == "ok";
    int libpng = 0;
    if (e.ok)
      fields >> e.width >> e.height >> libpng;
    else
      fields >> e.code;
    e.libpng = libpng != 0;
    entries->push_back(e);
  }
  return true;
}

// A file of little-endian values of type T; false when it cannot be read.
template <class T>
bool readValues(const std::string& path, std::vector<T>* values) {
  Bytes bytes;
  if (!readFile(path, &bytes))
    return false;
  values->assign(bytes.size() / sizeof(T), 0);
  for (size_t i = 0; i < values->size(); ++i) {
    T v = 0;
    for (size_t b = 0; b < sizeof(T); ++b)
      v = static_cast<T>(v | T{bytes[i * sizeof(T) + b]} << (8 * b));
    (*values)[i] = v;
  }
  return true;
}

}  // namespace png_corpus
