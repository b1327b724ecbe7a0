// quendral-response-sets: writes the engine's response-set data file.
// Usage: quendral-response-sets [sofa-file [output-file]]
// Without an output file the source goes to standard output.
#include <cstdio>
#include <fstream>
#include <string>

#include "response_set_generator.h"

int main(int argc, char** argv) {
  if (argc > 3) {
    std::fprintf(stderr, "usage: %s [sofa-file [output-file]]\n", argv[0]);
    return 2;
  }
  const std::string sofaPath = argc > 1 ? argv[1] : response_sets::kDefaultSofaPath;
  std::string source, error;
  if (!response_sets::generateResponseSetSource(sofaPath, source, error)) {
    std::fprintf(stderr, "quendral-response-sets: %s\n", error.c_str());
    return 1;
  }
  if (argc < 3) {
    std::fwrite(source.data(), 1, source.size(), stdout);
    return 0;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << source;
  out.close();
  if (!out) {
    std::fprintf(stderr, "quendral-response-sets: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
