// The pieces both kinds of response tables are built from (response_tables.h for the
// built-in sets, own_set_tables.h for a loaded one): energies, the tail cut, a complex
// transform for building tables, the onset-aligned blend of two neighbouring responses and
// the arrival difference of two responses measured on their spectra. Used only while
// tables are built, never on the audio thread.
#pragma once

#include <complex>
#include <vector>

namespace panner {

namespace spectral {

using Complex = std::complex<double>;

// A tail is cut where what follows holds less than this fraction of the response's energy
// (-60 dB).
constexpr double kTailEnergy = 1e-6;

double energy(const float* x, int n);

// Shortest length whose tail past it holds at most kTailEnergy of the whole.
int lengthKeepingEnergy(const float* x, int n);

// In-place complex transform of a power-of-two length, e^(-i...) forward, unscaled both
// ways.
void transform(std::vector<Complex>& x, bool inverse);

// One ear's two neighbouring responses: their spectra (full length, the length of the work
// buffer) and how many samples later the upper one arrives.
struct NeighbourPair {
  const std::vector<Complex>* lower;
  const std::vector<Complex>* upper;
  double delay;
};

// The filters between two neighbouring responses of both ears, at weight w of the upper
// ones: each is moved to the arrival time interpolated between its pair's and blended, each
// frequency's magnitude set to the weighted blend in dB of theirs. Writes the first `count`
// taps of ear e's filter to taps[e].
void blendNeighbours(const NeighbourPair (&ears)[2], double w, std::vector<Complex>& work,
                     float* const (&taps)[2], int count);

// How much later the response of spectrum `later` arrives than that of `earlier` (spectra of
// the same padded length, at least twice the responses' span): the lag of their
// cross-correlation's peak within +-maxLag samples, refined to a fraction of a sample.
double arrivalDifference(const std::vector<Complex>& earlier, const std::vector<Complex>& later,
                         int maxLag, std::vector<Complex>& work);

}  // namespace spectral

}  // namespace panner
