// quendral-response-sets: writes the engine's response-set data files, the horizontal rings
// and the same sets on the whole measured sphere.
// Usage: quendral-response-sets [sofa-file [ring-file [sphere-file]]]
// Without a sphere file it goes beside the ring file as sphere_set_data.cpp; without a ring
// file both sources go to standard output, the rings first.
#include <cstdio>
#include <fstream>
#include <string>

#include "response_set_generator.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::fprintf(stderr, "quendral-response-sets: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 4) {
    std::fprintf(stderr, "usage: %s [sofa-file [ring-file [sphere-file]]]\n", argv[0]);
    return 2;
  }
  const std::string sofaPath = argc > 1 ? argv[1] : response_sets::kDefaultSofaPath;
  response_sets::Sources sources;
  std::string error;
  if (!response_sets::generateResponseSetSources(sofaPath, sources, error)) {
    std::fprintf(stderr, "quendral-response-sets: %s\n", error.c_str());
    return 1;
  }
  if (argc < 3) {
    std::fwrite(sources.rings.data(), 1, sources.rings.size(), stdout);
    std::fwrite(sources.sphere.data(), 1, sources.sphere.size(), stdout);
    return 0;
  }
  const std::string ringPath = argv[2];
  const size_t slash = ringPath.find_last_of('/');
  const std::string spherePath =
      argc > 3
          ? argv[3]
          : ringPath.substr(0, slash == std::string::npos ? 0 : slash + 1) + "sphere_set_data.cpp";
  return writeFile(ringPath, sources.rings) && writeFile(spherePath, sources.sphere) ? 0 : 1;
}
