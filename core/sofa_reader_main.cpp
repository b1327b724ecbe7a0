// quendral-sofa-reader NAME: reads the SOFA file on standard input with libmysofa and writes
// its measurements (or the one-line reason it is refused) to standard output, for the
// plug-in beside it (sofa_reader_process.h). NAME is the file's name, shown when the file
// has no title.
#include <cstdio>

#include "sofa_reader_process.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quendral-sofa-reader NAME < FILE.sofa\n");
    return 2;
  }
  return panner::runSofaReader(argv[1]);
}
