// The 256-point real FFT runs as a 128-point complex FFT of the even samples (real parts)
// and odd samples (imaginary parts), followed by the split step that separates the two
// interleaved spectra and combines them into the 256-point spectrum. The inverse runs the
// same steps backwards and gets the inverse complex FFT from the forward one by exchanging
// real and imaginary parts on the way in and out.
//
// The complex FFT is radix-2 decimation in frequency on separate real and imaginary arrays,
// four lanes at a time (GCC/Clang vector extensions, plain SSE2 on x86-64): five stages with
// half-sizes 64..4, then a 4-point DFT per group of four done on transposed registers.
// Its output order is permuted; outPos_ says where each bin lands, and the split step reads
// through that table instead of running a separate reordering pass.
#include "real_fft.h"

#include <cmath>
#include <cstring>

namespace {

typedef float v4 __attribute__((vector_size(16)));

inline v4 load4(const float* p) {
  v4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store4(float* p, v4 v) { std::memcpy(p, &v, sizeof v); }

// Rows r0..r3 become columns: on return rK holds element K of each input row.
inline void transpose4(v4& r0, v4& r1, v4& r2, v4& r3) {
  const v4 t0 = __builtin_shufflevector(r0, r1, 0, 4, 1, 5);
  const v4 t1 = __builtin_shufflevector(r0, r1, 2, 6, 3, 7);
  const v4 t2 = __builtin_shufflevector(r2, r3, 0, 4, 1, 5);
  const v4 t3 = __builtin_shufflevector(r2, r3, 2, 6, 3, 7);
  r0 = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  r1 = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  r2 = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  r3 = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

unsigned reverseBits(unsigned value, int bits) {
  unsigned out = 0;
  for (int b = 0; b < bits; ++b) out |= ((value >> b) & 1u) << (bits - 1 - b);
  return out;
}

constexpr double kPi = 3.14159265358979323846;

}  // namespace

RealFft::RealFft() {
  int offset = 0;
  for (int h = 64; h >= 4; h /= 2) {
    for (int j = 0; j < h; ++j) {
      const double phase = kPi * j / h;  // 2 pi j / (2h)
      stageCos_[offset + j] = static_cast<float>(std::cos(phase));
      stageSin_[offset + j] = static_cast<float>(-std::sin(phase));
    }
    offset += h;
  }
  for (int k = 0; k <= kHalf / 2; ++k) {
    const double phase = 2.0 * kPi * k / kSize;
    splitCos_[k] = static_cast<float>(std::cos(phase));
    splitSin_[k] = static_cast<float>(std::sin(phase));
  }
  for (unsigned group = 0; group < 32; ++group) {
    for (unsigned q = 0; q < 4; ++q) {
      const unsigned bin = reverseBits(4 * group + reverseBits(q, 2), 7);
      outPos_[bin] = static_cast<uint8_t>(16 * (group >> 2) + 4 * q + (group & 3));
    }
  }
  std::memset(re_, 0, sizeof re_);
  std::memset(im_, 0, sizeof im_);
}

void RealFft::complexForward(float* re, float* im) {
  int offset = 0;
  for (int h = 64; h >= 4; h /= 2) {
    const float* wc = stageCos_ + offset;
    const float* ws = stageSin_ + offset;
    for (int block = 0; block < kHalf; block += 2 * h) {
      for (int j = 0; j < h; j += 4) {
        float* ar = re + block + j;
        float* ai = im + block + j;
        const v4 xr = load4(ar), xi = load4(ai);
        const v4 yr = load4(ar + h), yi = load4(ai + h);
        store4(ar, xr + yr);
        store4(ai, xi + yi);
        const v4 dr = xr - yr, di = xi - yi;
        const v4 cr = load4(wc + j), ci = load4(ws + j);
        store4(ar + h, dr * cr - di * ci);
        store4(ai + h, dr * ci + di * cr);
      }
    }
    offset += h;
  }
  // 4-point DFTs on the 32 groups of four, four groups per pass.
  for (int block = 0; block < kHalf; block += 16) {
    v4 r0 = load4(re + block), r1 = load4(re + block + 4);
    v4 r2 = load4(re + block + 8), r3 = load4(re + block + 12);
    v4 i0 = load4(im + block), i1 = load4(im + block + 4);
    v4 i2 = load4(im + block + 8), i3 = load4(im + block + 12);
    transpose4(r0, r1, r2, r3);
    transpose4(i0, i1, i2, i3);
    const v4 sr02 = r0 + r2, dr02 = r0 - r2, sr13 = r1 + r3, dr13 = r1 - r3;
    const v4 si02 = i0 + i2, di02 = i0 - i2, si13 = i1 + i3, di13 = i1 - i3;
    // X0 = s02 + s13, X1 = d02 - i d13, X2 = s02 - s13, X3 = d02 + i d13.
    store4(re + block, sr02 + sr13);
    store4(im + block, si02 + si13);
    store4(re + block + 4, dr02 + di13);
    store4(im + block + 4, di02 - dr13);
    store4(re + block + 8, sr02 - sr13);
    store4(im + block + 8, si02 - si13);
    store4(re + block + 12, dr02 - di13);
    store4(im + block + 12, di02 + dr13);
  }
}

void RealFft::forward(float* data) {
  for (int n = 0; n < kHalf; n += 4) {
    const v4 a = load4(data + 2 * n), b = load4(data + 2 * n + 4);
    store4(re_ + n, __builtin_shufflevector(a, b, 0, 2, 4, 6));
    store4(im_ + n, __builtin_shufflevector(a, b, 1, 3, 5, 7));
  }
  complexForward(re_, im_);

  // Split: with A = Z[k] and B = conj(Z[128-k]), the even-sample spectrum is (A + B) / 2
  // and the odd-sample spectrum is (A - B) / 2i; X[k] = even + W^k odd, and
  // X[128-k] = conj(even - W^k odd), W = e^(-2 pi i / 256).
  const float z0r = re_[outPos_[0]], z0i = im_[outPos_[0]];
  data[0] = z0r + z0i;
  data[1] = z0r - z0i;
  for (int k = 1; k < kHalf / 2; ++k) {
    const int pa = outPos_[k], pb = outPos_[kHalf - k];
    const float ar = re_[pa], ai = im_[pa];
    const float br = re_[pb], bi = -im_[pb];
    const float sr = ar + br, si = ai + bi;
    const float dr = ar - br, di = ai - bi;
    const float c = splitCos_[k], s = splitSin_[k];
    const float tr = c * di - s * dr;   // Re of -i W^k D
    const float ti = -c * dr - s * di;  // Im of -i W^k D
    data[2 * k] = 0.5f * (sr + tr);
    data[2 * k + 1] = 0.5f * (si + ti);
    data[2 * (kHalf - k)] = 0.5f * (sr - tr);
    data[2 * (kHalf - k) + 1] = -0.5f * (si - ti);
  }
  const int pm = outPos_[kHalf / 2];
  data[kHalf] = re_[pm];
  data[kHalf + 1] = -im_[pm];
}

void RealFft::inverse(float* data) {
  // Rebuild the 128-point spectrum of z[n] = x[2n] + i x[2n+1] (times two), stored with
  // real and imaginary parts exchanged so that the forward complex FFT inverts it.
  const float x0 = data[0], xn = data[1];
  im_[0] = x0 + xn;
  re_[0] = x0 - xn;
  for (int k = 1; k < kHalf / 2; ++k) {
    const int m = kHalf - k;
    const float ar = data[2 * k], ai = data[2 * k + 1];
    const float br = data[2 * m], bi = -data[2 * m + 1];  // conj(X[128-k])
    const float pr = ar + br, pi = ai + bi;
    const float dr = ar - br, di = ai - bi;
    const float c = splitCos_[k], s = splitSin_[k];
    const float qr = dr * c - di * s;  // (X[k] - conj(X[128-k])) W^-k
    const float qi = dr * s + di * c;
    im_[k] = pr - qi;
    re_[k] = pi + qr;
    im_[m] = pr + qi;
    re_[m] = qr - pi;
  }
  im_[kHalf / 2] = 2.0f * data[kHalf];
  re_[kHalf / 2] = -2.0f * data[kHalf + 1];

  complexForward(re_, im_);

  for (int n = 0; n < kHalf; ++n) {
    const int p = outPos_[n];
    data[2 * n] = im_[p];
    data[2 * n + 1] = re_[p];
  }
}

void packedToHalfComplex(const float* packed, float* halfComplex) {
  constexpr int n = RealFft::kSize;
  halfComplex[0] = packed[0];
  halfComplex[n / 2] = packed[1];
  for (int k = 1; k < n / 2; ++k) {
    halfComplex[k] = packed[2 * k];
    halfComplex[n - k] = packed[2 * k + 1];
  }
}

void halfComplexToPacked(const float* halfComplex, float* packed) {
  constexpr int n = RealFft::kSize;
  packed[0] = halfComplex[0];
  packed[1] = halfComplex[n / 2];
  for (int k = 1; k < n / 2; ++k) {
    packed[2 * k] = halfComplex[k];
    packed[2 * k + 1] = halfComplex[n - k];
  }
}
