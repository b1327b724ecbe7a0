// The 256-point real FFT runs as a 128-point complex FFT of the even samples (real parts)
// and odd samples (imaginary parts), followed by the split step that separates the two
// interleaved spectra and combines them into the 256-point spectrum. The inverse runs the
// same steps backwards and gets the inverse complex FFT from the forward one by exchanging
// real and imaginary parts on the way in and out.
//
// Everything runs four lanes at a time (GCC/Clang vector extensions; plain SSE2 on the
// x86-64 baseline) on separate real and imaginary arrays: five radix-2
// decimation-in-frequency stages with half-sizes 64..4 (the first four fused in pairs),
// a 4-point DFT per group of four on
// transposed registers, one pass of 4x4 transposes that puts the bins in natural order, and
// the split step on four bins and their four mirror bins at once.
#include "real_fft.h"

#include <cmath>
#include <cstring>

#include "simd4.h"

namespace panner {

namespace {

using simd4::load;
using simd4::loadDeinterleaved;
using simd4::store;
using simd4::storeInterleaved;
using simd4::v4;

constexpr double kPi = 3.14159265358979323846;

}  // namespace

RealFft::RealFft() {
  int offset = 0;
  for (int h = 64; h >= 4; h /= 2) {
    for (int j = 0; j < h; ++j) {
      const double phase = kPi * j / h;  // 2 pi j / (2h)
      stageCos[offset + j] = static_cast<float>(std::cos(phase));
      stageSin[offset + j] = static_cast<float>(-std::sin(phase));
    }
    offset += h;
  }
  for (int k = 0; k < kHalf / 2 + 4; ++k) {
    const double phase = 2.0 * kPi * k / kSize;
    splitCos[k] = static_cast<float>(std::cos(phase));
    splitSin[k] = static_cast<float>(std::sin(phase));
  }
  // Exact at a quarter turn, so bin 64, which the split step writes twice, gets one value.
  splitCos[kHalf / 2] = 0.0f;
  splitSin[kHalf / 2] = 1.0f;
  std::memset(re, 0, sizeof re);
  std::memset(im, 0, sizeof im);
  std::memset(natRe, 0, sizeof natRe);
  std::memset(natIm, 0, sizeof natIm);
}

namespace {

// (r + i m) x (c + i s), four lanes.
inline void complexMultiply(v4& r, v4& m, v4 c, v4 s) {
  const v4 outR = r * c - m * s;
  m = r * s + m * c;
  r = outR;
}

// Two radix-2 stages fused, half-sizes 2q then q, so each value is loaded and stored once
// for both. outerCos/outerSin hold the twiddles of the first stage (2q of them),
// innerCos/innerSin those of the second (q).
void fusedStages(float* re, float* im, int q, const float* outerCos, const float* outerSin,
                 const float* innerCos, const float* innerSin) {
  constexpr int n = RealFft::kHalf;
  for (int block = 0; block < n; block += 4 * q) {
    for (int j = 0; j < q; j += 4) {
      float* r = re + block + j;
      float* m = im + block + j;
      const v4 x0r = load(r), x1r = load(r + q), x2r = load(r + 2 * q), x3r = load(r + 3 * q);
      const v4 x0i = load(m), x1i = load(m + q), x2i = load(m + 2 * q), x3i = load(m + 3 * q);
      const v4 y0r = x0r + x2r, y0i = x0i + x2i, y1r = x1r + x3r, y1i = x1i + x3i;
      v4 y2r = x0r - x2r, y2i = x0i - x2i, y3r = x1r - x3r, y3i = x1i - x3i;
      complexMultiply(y2r, y2i, load(outerCos + j), load(outerSin + j));
      complexMultiply(y3r, y3i, load(outerCos + j + q), load(outerSin + j + q));
      const v4 wc = load(innerCos + j), ws = load(innerSin + j);
      store(r, y0r + y1r);
      store(m, y0i + y1i);
      v4 dr = y0r - y1r, di = y0i - y1i;
      complexMultiply(dr, di, wc, ws);
      store(r + q, dr);
      store(m + q, di);
      store(r + 2 * q, y2r + y3r);
      store(m + 2 * q, y2i + y3i);
      v4 er = y2r - y3r, ei = y2i - y3i;
      complexMultiply(er, ei, wc, ws);
      store(r + 3 * q, er);
      store(m + 3 * q, ei);
    }
  }
}

}  // namespace

void RealFft::complexForward() {
  // Stage twiddle offsets: half-size 64 at 0, 32 at 64, 16 at 96, 8 at 112, 4 at 120.
  fusedStages(re, im, 32, stageCos, stageSin, stageCos + 64, stageSin + 64);
  fusedStages(re, im, 8, stageCos + 96, stageSin + 96, stageCos + 112, stageSin + 112);
  {
    constexpr int h = 4;
    const v4 cr = load(stageCos + 120), ci = load(stageSin + 120);
    for (int block = 0; block < kHalf; block += 2 * h) {
      float* ar = re + block;
      float* ai = im + block;
      const v4 xr = load(ar), xi = load(ai);
      const v4 yr = load(ar + h), yi = load(ai + h);
      store(ar, xr + yr);
      store(ai, xi + yi);
      v4 dr = xr - yr, di = xi - yi;
      complexMultiply(dr, di, cr, ci);
      store(ar + h, dr);
      store(ai + h, di);
    }
  }
  // 4-point DFTs on the 32 groups of four, four groups per pass. Group g of block b
  // (positions 16b + 4g .. 16b + 4g + 3) leaves its bin q at position 16b + 4q + g.
  for (int block = 0; block < kHalf; block += 16) {
    v4 r0 = load(re + block), r1 = load(re + block + 4);
    v4 r2 = load(re + block + 8), r3 = load(re + block + 12);
    v4 i0 = load(im + block), i1 = load(im + block + 4);
    v4 i2 = load(im + block + 8), i3 = load(im + block + 12);
    simd4::transpose(r0, r1, r2, r3);
    simd4::transpose(i0, i1, i2, i3);
    const v4 sr02 = r0 + r2, dr02 = r0 - r2, sr13 = r1 + r3, dr13 = r1 - r3;
    const v4 si02 = i0 + i2, di02 = i0 - i2, si13 = i1 + i3, di13 = i1 - i3;
    // X0 = s02 + s13, X1 = d02 - i d13, X2 = s02 - s13, X3 = d02 + i d13.
    store(re + block, sr02 + sr13);
    store(im + block, si02 + si13);
    store(re + block + 4, dr02 + di13);
    store(im + block + 4, di02 - dr13);
    store(re + block + 8, sr02 - sr13);
    store(im + block + 8, si02 - si13);
    store(re + block + 12, dr02 - di13);
    store(im + block + 12, di02 + dr13);
  }
}

// After complexForward, bin k with bits (q1 q0 g0 g1 g2 g3 g4) sits at position with bits
// (g4 g3 g2 q1 q0 g1 g0). For each (q, g2) the four vectors with g4 g3 = 00, 10, 01, 11
// form a 4x4 block whose transpose is four vectors of consecutive bins.
void RealFft::toNaturalOrder() {
  for (int q = 0; q < 4; ++q) {
    for (int g2 = 0; g2 < 2; ++g2) {
      const int base = 4 * g2 + q;
      const int rows[4] = {base, base + 16, base + 8, base + 24};
      const int outs[4] = {8 * q + g2, 8 * q + 4 + g2, 8 * q + 2 + g2, 8 * q + 6 + g2};
      for (int part = 0; part < 2; ++part) {
        const float* from = part == 0 ? re : im;
        float* to = part == 0 ? natRe : natIm;
        v4 r0 = load(from + 4 * rows[0]), r1 = load(from + 4 * rows[1]);
        v4 r2 = load(from + 4 * rows[2]), r3 = load(from + 4 * rows[3]);
        simd4::transpose(r0, r1, r2, r3);
        store(to + 4 * outs[0], r0);
        store(to + 4 * outs[1], r1);
        store(to + 4 * outs[2], r2);
        store(to + 4 * outs[3], r3);
      }
    }
  }
}

void RealFft::forward(float* data) {
  for (int n = 0; n < kHalf; n += 4) {
    v4 even, odd;
    loadDeinterleaved(data + 2 * n, even, odd);
    store(re + n, even);
    store(im + n, odd);
  }
  complexForward();
  toNaturalOrder();

  // Split: with A = Z[k] and B = conj(Z[128-k]), the even-sample spectrum is (A + B) / 2
  // and the odd-sample spectrum is (A - B) / 2i; X[k] = even + W^k odd and
  // X[128-k] = conj(even - W^k odd), W = e^(-2 pi i / 256). Four k at a time: k = 4j+1..4j+4
  // and their mirrors 124-4j..127-4j (bin 64 is its own mirror and comes out the same twice).
  const float z0r = natRe[0], z0i = natIm[0];
  const v4 half = simd4::splat(0.5f);
  for (int k = 1; k <= kHalf / 2; k += 4) {
    const int m = kHalf - k - 3;
    const v4 ar = load(natRe + k), ai = load(natIm + k);
    const v4 br = simd4::reverse(load(natRe + m)), bi = -simd4::reverse(load(natIm + m));
    const v4 sr = ar + br, si = ai + bi;
    const v4 dr = ar - br, di = ai - bi;
    const v4 c = load(splitCos + k), s = load(splitSin + k);
    const v4 tr = c * di - s * dr;     // Re of -i W^k D
    const v4 ti = -(c * dr + s * di);  // Im of -i W^k D
    storeInterleaved(data + 2 * k, half * (sr + tr), half * (si + ti));
    storeInterleaved(data + 2 * m, simd4::reverse(half * (sr - tr)),
                     simd4::reverse(half * (ti - si)));
  }
  data[0] = z0r + z0i;
  data[1] = z0r - z0i;
}

void RealFft::inverse(float* data) {
  // Rebuild the 128-point spectrum of z[n] = x[2n] + i x[2n+1] (times two), stored with
  // real and imaginary parts exchanged so that the forward complex FFT inverts it:
  // Z[k] = P + iQ and Z[128-k] = conj(P) + i conj(Q), with P = X[k] + conj(X[128-k]) and
  // Q = (X[k] - conj(X[128-k])) W^-k.
  const float x0 = data[0], xn = data[1];
  for (int k = 1; k <= kHalf / 2; k += 4) {
    const int m = kHalf - k - 3;
    v4 ar, ai, br, bi;
    loadDeinterleaved(data + 2 * k, ar, ai);
    loadDeinterleaved(data + 2 * m, br, bi);
    br = simd4::reverse(br);
    bi = -simd4::reverse(bi);
    const v4 pr = ar + br, pi = ai + bi;
    const v4 dr = ar - br, di = ai - bi;
    const v4 c = load(splitCos + k), s = load(splitSin + k);
    const v4 qr = dr * c - di * s;
    const v4 qi = dr * s + di * c;
    store(im + k, pr - qi);
    store(re + k, pi + qr);
    store(im + m, simd4::reverse(pr + qi));
    store(re + m, simd4::reverse(qr - pi));
  }
  im[0] = x0 + xn;
  re[0] = x0 - xn;

  complexForward();
  toNaturalOrder();

  for (int n = 0; n < kHalf; n += 4)
    storeInterleaved(data + 2 * n, load(natIm + n), load(natRe + n));
}

void packedToHalfComplex(const float* packed, float* halfComplex) {
  constexpr int n = RealFft::kSize;
  // Bins 1..124 four at a time, then 125..127.
  for (int k = 1; k < n / 2 - 3; k += 4) {
    v4 re, im;
    loadDeinterleaved(packed + 2 * k, re, im);
    store(halfComplex + k, re);
    store(halfComplex + n - k - 3, simd4::reverse(im));
  }
  for (int k = n / 2 - 3; k < n / 2; ++k) {
    halfComplex[k] = packed[2 * k];
    halfComplex[n - k] = packed[2 * k + 1];
  }
  halfComplex[0] = packed[0];
  halfComplex[n / 2] = packed[1];
}

void halfComplexToPacked(const float* halfComplex, float* packed) {
  constexpr int n = RealFft::kSize;
  for (int k = 1; k < n / 2 - 3; k += 4)
    storeInterleaved(packed + 2 * k, load(halfComplex + k),
                     simd4::reverse(load(halfComplex + n - k - 3)));
  for (int k = n / 2 - 3; k < n / 2; ++k) {
    packed[2 * k] = halfComplex[k];
    packed[2 * k + 1] = halfComplex[n - k];
  }
  packed[0] = halfComplex[0];
  packed[1] = halfComplex[n / 2];
}

}  // namespace panner
