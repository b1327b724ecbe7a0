// Writes SOFA files for the tests: a SimpleFreeFieldHRIR file in netCDF's text form (CDL),
// made into the real thing (netCDF-4, that is HDF5) by netcdf-bin's ncgen; and reads files.
#pragma once

#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sofa_file.h"

namespace quendral_test {

struct SofaContents {
  double rate = 44100.0;
  int taps = 0;
  std::vector<std::array<double, 3>> positions;  // SOFA azimuth, elevation, distance
  std::vector<double> responses;                 // [measurement][receiver][tap]
  double delays[2] = {0.0, 0.0};                 // Data.Delay per receiver
  // ReceiverPosition, cartesian metres, receiver 0 then 1 (SOFA's y axis points left).
  std::array<double, 6> receivers = {0, 0.09, 0, 0, -0.09, 0};
  std::string title = "test head";
  std::string conventions = "SimpleFreeFieldHRIR";
};

constexpr const char* kNcgen = "/usr/bin/ncgen";

// Writes the file at `path` with ncgen; false when ncgen failed.
bool writeSofa(const SofaContents& contents, const std::string& path);

inline std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A SOFA file's measurements, read in this process.
inline bool readSofaFile(const std::string& path, panner::SofaMeasurements& out, std::string& why) {
  const std::vector<uint8_t> bytes = fileBytes(path);
  return panner::readSofaMeasurements(bytes.data(), bytes.size(), path, out, why);
}

}  // namespace quendral_test
