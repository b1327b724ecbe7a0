// From the SOFA measurements to the engine's two response sets:
//  1. take the elevation-0 measurements at the sets' azimuths. Our azimuths run clockwise,
//     0..180 being the side of output channel 1, the right ear; SOFA azimuths run
//     counter-clockwise (+90 is on the left). So our azimuth a is the SOFA source at -a,
//     its near ear the right receiver (told apart by what the receivers measured) and its
//     far ear the left one;
//  2. trim the leading silence common to the whole set, so that the delay between the ears
//     and between azimuths stays as measured, and keep 128 taps;
//  3. scale the set by one factor so that its energies match the reference levels the
//     engine's set gains were chosen for (least squares on the logarithm);
//  4. round every tap to a 16-bit sample.
#include "response_set_generator.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "receiver_sides.h"
#include "response_set_data.h"

namespace response_sets {
namespace {

using response_data::kFarEar;
using response_data::kNearEar;
using response_data::kTaps;

constexpr double kSampleRate = 44100.0;
// A sample belongs to the onset once its magnitude reaches this fraction of the set's peak.
constexpr double kOnsetThreshold = 0.05;
// Samples kept before the earliest onset of the set.
constexpr int kPreRoll = 2;

struct ReferenceEnergy {
  int azimuth;
  int ear;
  double energy;
};

// Energy of taps 0..127 that the engine's set gains assume.
constexpr ReferenceEnergy kSetOneReference[] = {
    {0, kNearEar, 0.8206}, {45, kNearEar, 1.2931},  {45, kFarEar, 0.0837},  {90, kNearEar, 2.1983},
    {90, kFarEar, 0.0721}, {135, kNearEar, 0.9941}, {135, kFarEar, 0.0648}, {180, kNearEar, 0.2638},
};
constexpr ReferenceEnergy kSetTwoReference[] = {
    {0, kNearEar, 0.3920}, {0, kFarEar, 0.2081},    {90, kNearEar, 0.5264},
    {90, kFarEar, 0.0231}, {180, kNearEar, 0.0990}, {180, kFarEar, 0.2725},
};

struct SofaDeleter {
  void operator()(MYSOFA_HRTF* hrtf) const { mysofa_free(hrtf); }
};

struct RawSet {
  std::vector<int> azimuths;
  std::vector<std::vector<double>> ears[2];  // [ear][row][sample]
};

struct QuantisedSet {
  std::vector<int> azimuths;
  std::vector<int16_t> taps[2];  // [ear][row * kTaps + tap]
};

bool attributeEquals(const MYSOFA_ATTRIBUTE* attribute, const char* name, const char* value) {
  for (; attribute; attribute = attribute->next) {
    if (attribute->name && std::strcmp(attribute->name, name) == 0)
      return attribute->value && std::strcmp(attribute->value, value) == 0;
  }
  return false;
}

int findMeasurement(const MYSOFA_HRTF& hrtf, int azimuth) {
  for (unsigned m = 0; m < hrtf.M; ++m) {
    const float* position = hrtf.SourcePosition.values + 3 * m;
    const double difference = std::remainder(position[0] - azimuth, 360.0);
    if (std::fabs(position[1]) < 0.01 && std::fabs(difference) < 0.01) return static_cast<int>(m);
  }
  return -1;
}

bool readSet(const MYSOFA_HRTF& hrtf, int rows, int step, int nearReceiver, RawSet& set,
             std::string& error) {
  const int farReceiver = 1 - nearReceiver;
  for (int row = 0; row < rows; ++row) {
    const int azimuth = row * step;
    const int m = findMeasurement(hrtf, (360 - azimuth) % 360);
    if (m < 0) {
      error = "no measurement at azimuth " + std::to_string(azimuth) + ", elevation 0";
      return false;
    }
    set.azimuths.push_back(azimuth);
    const float* near =
        hrtf.DataIR.values + (static_cast<size_t>(m) * hrtf.R + nearReceiver) * hrtf.N;
    const float* far =
        hrtf.DataIR.values + (static_cast<size_t>(m) * hrtf.R + farReceiver) * hrtf.N;
    set.ears[kNearEar].emplace_back(near, near + hrtf.N);
    set.ears[kFarEar].emplace_back(far, far + hrtf.N);
  }
  return true;
}

int leadingSilence(const RawSet& set) {
  double peak = 0.0;
  for (const auto& ear : set.ears)
    for (const auto& response : ear)
      for (double v : response) peak = std::max(peak, std::fabs(v));
  size_t onset = set.ears[0].front().size();
  for (const auto& ear : set.ears) {
    for (const auto& response : ear) {
      for (size_t i = 0; i < response.size(); ++i) {
        if (std::fabs(response[i]) >= kOnsetThreshold * peak) {
          onset = std::min(onset, i);
          break;
        }
      }
    }
  }
  return std::max(0, static_cast<int>(onset) - kPreRoll);
}

double energy(const std::vector<double>& response, int start) {
  double sum = 0.0;
  for (int i = 0; i < kTaps; ++i) {
    const size_t at = static_cast<size_t>(start + i);
    if (at < response.size()) sum += response[at] * response[at];
  }
  return sum;
}

template <size_t n>
double levelFactor(const RawSet& set, int trim, const ReferenceEnergy (&reference)[n]) {
  double logRatio = 0.0;
  for (const ReferenceEnergy& r : reference) {
    const auto row = std::find(set.azimuths.begin(), set.azimuths.end(), r.azimuth);
    const auto& response = set.ears[r.ear][static_cast<size_t>(row - set.azimuths.begin())];
    logRatio += std::log(r.energy / energy(response, trim));
  }
  return std::sqrt(std::exp(logRatio / static_cast<double>(n)));
}

template <size_t n>
QuantisedSet quantise(const RawSet& set, const ReferenceEnergy (&reference)[n]) {
  const int trim = leadingSilence(set);
  const double scale = levelFactor(set, trim, reference) * 32768.0;
  QuantisedSet out;
  out.azimuths = set.azimuths;
  for (int ear = 0; ear < 2; ++ear) {
    for (const auto& response : set.ears[ear]) {
      for (int i = 0; i < kTaps; ++i) {
        const size_t at = static_cast<size_t>(trim + i);
        const double v = at < response.size() ? response[at] * scale : 0.0;
        const long q = std::lround(std::clamp(v, -32768.0, 32767.0));
        out.taps[ear].push_back(static_cast<int16_t>(q));
      }
    }
  }
  return out;
}

void appendSet(std::string& text, const char* name, const char* rowsName, const QuantisedSet& set) {
  text += "const int16_t ";
  text += name;
  text += "[";
  text += rowsName;
  text += "][2][kTaps] = {\n";
  char buffer[64];
  for (size_t row = 0; row < set.azimuths.size(); ++row) {
    std::snprintf(buffer, sizeof buffer, "    {  // %d degrees\n", set.azimuths[row]);
    text += buffer;
    for (int ear = 0; ear < 2; ++ear) {
      text += ear == kNearEar ? "        {  // near ear\n" : "        {  // far ear\n";
      for (int i = 0; i < kTaps; ++i) {
        if (i % 12 == 0) text += "            ";
        std::snprintf(buffer, sizeof buffer, "%d,",
                      set.taps[ear][row * kTaps + static_cast<size_t>(i)]);
        text += buffer;
        text += (i % 12 == 11 || i == kTaps - 1) ? "\n" : " ";
      }
      text += "        },\n";
    }
    text += "    },\n";
  }
  text += "};\n";
}

}  // namespace

bool generateResponseSetSource(const std::string& sofaPath, std::string& source,
                               std::string& error) {
  int status = 0;
  std::unique_ptr<MYSOFA_HRTF, SofaDeleter> hrtf(mysofa_load(sofaPath.c_str(), &status));
  if (!hrtf || status != MYSOFA_OK) {
    error = "cannot read the SOFA file " + sofaPath + " (libmysofa error " +
            std::to_string(status) + ")";
    return false;
  }
  if (hrtf->R != 2 || hrtf->N < static_cast<unsigned>(kTaps) ||
      hrtf->DataSamplingRate.elements < 1 || hrtf->DataSamplingRate.values[0] != kSampleRate) {
    error = sofaPath + " does not hold two-ear responses of at least 128 taps at 44100 Hz";
    return false;
  }
  if (!attributeEquals(hrtf->SourcePosition.attributes, "Type", "spherical"))
    mysofa_tospherical(hrtf.get());
  // The right receiver is the one the measurements show louder on the side of negative SOFA
  // azimuths, by the rule every SOFA file is read with (receiver_sides.h).
  const int rightReceiver = 1 - panner::decideReceiverSides(hrtf->DataIR.values, hrtf->M, hrtf->N,
                                                            hrtf->SourcePosition.values)
                                    .left;

  RawSet setOne, setTwo;
  if (!readSet(*hrtf, response_data::kSetOneRows, response_data::kSetOneStep, rightReceiver, setOne,
               error) ||
      !readSet(*hrtf, response_data::kSetTwoRows, response_data::kSetTwoStep, rightReceiver, setTwo,
               error))
    return false;

  source =
      "// Generated by quendral-response-sets from the MIT KEMAR measurements (see NOTICE).\n"
      "// Do not edit: run the generator instead. Values are 16-bit samples (divide by 32768).\n"
      "#include \"response_set_data.h\"\n\nnamespace response_data {\n\n";
  appendSet(source, "kSetOneTaps", "kSetOneRows", quantise(setOne, kSetOneReference));
  source += "\n";
  appendSet(source, "kSetTwoTaps", "kSetTwoRows", quantise(setTwo, kSetTwoReference));
  source += "\n}  // namespace response_data\n";
  return true;
}

}  // namespace response_sets
