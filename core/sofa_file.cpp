#include "sofa_file.h"

#include "receiver_sides.h"
#include "sofa_reader_process.h"

#include <mysofa.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <vector>

namespace panner {

namespace {

// Every HDF5 file (netCDF-4, and so SOFA) starts with this signature; libmysofa reads only
// files whose superblock is at offset 0.
constexpr uint8_t kHdf5Signature[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1a, '\n'};
// The smallest HDF5 superblock with a root group is larger than this.
constexpr std::size_t kMinimumSize = 96;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

struct SofaDeleter {
  void operator()(MYSOFA_HRTF* hrtf) const { mysofa_free(hrtf); }
};

const char* attribute(const MYSOFA_ATTRIBUTE* list, const char* name) {
  for (; list; list = list->next)
    if (list->name && std::strcmp(list->name, name) == 0) return list->value ? list->value : "";
  return nullptr;
}

std::string describeLoadError(int error) {
  switch (error) {
    case MYSOFA_NO_MEMORY:
      return "not enough memory to read the file";
    case MYSOFA_UNSUPPORTED_FORMAT:
      return "not a SOFA file libmysofa can read (an HDF5 layout it does not support)";
    default:
      return "not a SOFA file (libmysofa error " + std::to_string(error) + ")";
  }
}

std::string describeCheckError(int error) {
  switch (error) {
    case MYSOFA_INVALID_ATTRIBUTES:
      return "another convention: not SimpleFreeFieldHRIR impulse responses";
    case MYSOFA_INVALID_DIMENSIONS:
    case MYSOFA_INVALID_DIMENSION_LIST:
      return "another convention: the arrays do not have SimpleFreeFieldHRIR's dimensions";
    case MYSOFA_INVALID_RECEIVER_POSITIONS:
    case MYSOFA_RECEIVERS_WITH_RCI_SUPPORTED:
    case MYSOFA_RECEIVERS_WITH_CARTESIAN_SUPPORTED:
      return "another convention: the receivers are not two ears";
    case MYSOFA_ONLY_THE_SAME_SAMPLING_RATE_SUPPORTED:
      return "more than one sample rate in the file";
    case MYSOFA_ONLY_DELAYS_WITH_IR_OR_MR_SUPPORTED:
      return "the file's delays are given in a layout that is not supported";
    default:
      return "another convention (libmysofa check " + std::to_string(error) + ")";
  }
}

// Bob Jenkins' lookup3 hash (hashlittle, initial value 0): the checksum of HDF5's
// version 2 and 3 superblocks.
uint32_t lookup3(const uint8_t* k, std::size_t length) {
  auto rot = [](uint32_t x, int r) { return (x << r) | (x >> (32 - r)); };
  uint32_t a, b, c;
  a = b = c = 0xdeadbeefu + static_cast<uint32_t>(length);
  auto word = [&](std::size_t i) {
    return uint32_t(k[i]) | uint32_t(k[i + 1]) << 8 | uint32_t(k[i + 2]) << 16 |
           uint32_t(k[i + 3]) << 24;
  };
  while (length > 12) {
    a += word(0);
    b += word(4);
    c += word(8);
    a -= c;
    a ^= rot(c, 4);
    c += b;
    b -= a;
    b ^= rot(a, 6);
    a += c;
    c -= b;
    c ^= rot(b, 8);
    b += a;
    a -= c;
    a ^= rot(c, 16);
    c += b;
    b -= a;
    b ^= rot(a, 19);
    a += c;
    c -= b;
    c ^= rot(b, 4);
    b += a;
    length -= 12;
    k += 12;
  }
  if (length == 0) return c;
  uint8_t tail[12] = {};
  std::memcpy(tail, k, length);
  k = tail;
  a += word(0);
  b += word(4);
  c += word(8);
  c ^= b;
  c -= rot(b, 14);
  a ^= c;
  a -= rot(c, 11);
  b ^= a;
  b -= rot(a, 25);
  c ^= b;
  c -= rot(b, 16);
  a ^= c;
  a -= rot(c, 4);
  b ^= a;
  b -= rot(a, 14);
  c ^= b;
  c -= rot(b, 24);
  return c;
}

uint64_t address(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

constexpr uint64_t kUndefined = ~uint64_t(0);

// Our reading of the HDF5 superblock before libmysofa parses anything: libmysofa 1.3.1
// crashes on files cut short and on some broken addresses in the superblock (see the
// tests), so a file whose superblock does not describe a whole file of this size is refused
// here. Only the layout every netCDF-4 writer uses is accepted: 8-byte addresses and
// lengths, no user block.
bool superblockDescribesTheFile(const uint8_t* data, std::size_t size, std::string& why) {
  const int version = data[8];
  why = "not a SOFA file libmysofa can read (an HDF5 layout it does not support)";
  uint64_t base, end, root, others[2];
  if (version == 0 || version == 1) {
    const std::size_t at = version == 0 ? 24 : 28;  // the first address
    if (size < at + 48 || data[13] != 8 || data[14] != 8) return false;
    base = address(data + at);
    others[0] = address(data + at + 8);  // free-space information
    end = address(data + at + 16);
    others[1] = address(data + at + 24);  // driver information
    root = address(data + at + 40);       // the root group's object header
  } else if (version == 2 || version == 3) {
    if (size < 48 || data[9] != 8 || data[10] != 8) return false;
    base = address(data + 12);
    others[0] = address(data + 20);  // superblock extension
    end = address(data + 28);
    root = address(data + 36);
    others[1] = kUndefined;
    const uint32_t stored = uint32_t(data[44]) | uint32_t(data[45]) << 8 |
                            uint32_t(data[46]) << 16 | uint32_t(data[47]) << 24;
    if (lookup3(data, 44) != stored) {
      why = "the file is damaged (its HDF5 superblock checksum does not match)";
      return false;
    }
  } else {
    return false;
  }
  if (base != 0) return false;
  if (end > size) {
    why =
        "the file is cut short (" + std::to_string(size) + " of " + std::to_string(end) + " bytes)";
    return false;
  }
  if (root >= end || (others[0] != kUndefined && others[0] >= end) ||
      (others[1] != kUndefined && others[1] >= end)) {
    why = "the file is damaged (its HDF5 superblock points outside the file)";
    return false;
  }
  return true;
}

// Version 2 object headers carry a checksum that libmysofa does not check; a flipped bit in
// one made it crash. Each object header found (its signature, version 2, and a first chunk
// that fits in the file) must match its checksum.
bool objectHeadersIntact(const uint8_t* data, std::size_t size) {
  static constexpr uint8_t kSignature[4] = {'O', 'H', 'D', 'R'};
  for (std::size_t at = 0; at + 16 <= size; ++at) {
    const void* found = std::memchr(data + at, 'O', size - at);
    if (!found) break;
    at = static_cast<std::size_t>(static_cast<const uint8_t*>(found) - data);
    if (at + 16 > size || std::memcmp(data + at, kSignature, 4) != 0 || data[at + 4] != 2) continue;
    const uint8_t flags = data[at + 5];
    std::size_t pos = at + 6 + ((flags & 0x20) ? 16 : 0) + ((flags & 0x10) ? 4 : 0);
    const std::size_t width = std::size_t(1) << (flags & 3);
    if (pos + width > size) continue;
    uint64_t chunk = 0;
    for (std::size_t i = 0; i < width; ++i) chunk |= uint64_t(data[pos + i]) << (8 * i);
    pos += width;
    if (chunk > size || pos + chunk + 4 > size) continue;
    const std::size_t end = pos + static_cast<std::size_t>(chunk);
    const uint32_t stored = uint32_t(data[end]) | uint32_t(data[end + 1]) << 8 |
                            uint32_t(data[end + 2]) << 16 | uint32_t(data[end + 3]) << 24;
    if (lookup3(data + at, end - at) != stored) return false;
  }
  return true;
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool readSofaMeasurements(const uint8_t* data, std::size_t size, const std::string& name,
                          SofaMeasurements& out, std::string& why) {
  if (size > own_set::kMaxFileBytes) {
    why = "the file is too large (" + std::to_string(size >> 20) + " MiB; the limit is " +
          std::to_string(own_set::kMaxFileBytes >> 20) + " MiB)";
    return false;
  }
  if (size < kMinimumSize || std::memcmp(data, kHdf5Signature, sizeof kHdf5Signature) != 0) {
    why = "not a SOFA file (no HDF5 signature at its start)";
    return false;
  }
  if (!superblockDescribesTheFile(data, size, why)) return false;
  if (!objectHeadersIntact(data, size)) {
    why = "the file is damaged (an HDF5 object header's checksum does not match)";
    return false;
  }
  int error = 0;
  std::unique_ptr<MYSOFA_HRTF, SofaDeleter> hrtf(
      mysofa_load_data(reinterpret_cast<const char*>(data), size, &error));
  if (!hrtf || error != MYSOFA_OK) {
    why = describeLoadError(error);
    return false;
  }
  // Our own reading of the convention first, for a message that names it.
  const char* conventions = attribute(hrtf->attributes, "SOFAConventions");
  if (!conventions || std::strcmp(conventions, "SimpleFreeFieldHRIR") != 0) {
    why = std::string("another convention: ") + (conventions ? conventions : "none named") +
          " (only SimpleFreeFieldHRIR is read)";
    return false;
  }
  error = mysofa_check(hrtf.get());
  if (error == MYSOFA_INVALID_RECEIVER_POSITIONS && hrtf->ReceiverPosition.values &&
      hrtf->ReceiverPosition.elements == 6) {
    // libmysofa's check insists that the first receiver lies on the left (y >= 0), yet
    // several published files put it on the right. Which receiver is which ear is decided by
    // the measurements (below), so such a file is checked again with the two positions
    // exchanged, and then read with its positions as they stand.
    float* position = hrtf->ReceiverPosition.values;
    std::swap_ranges(position, position + 3, position + 3);
    error = mysofa_check(hrtf.get());
    std::swap_ranges(position, position + 3, position + 3);
  }
  if (error != MYSOFA_OK) {
    why = describeCheckError(error);
    return false;
  }
  const std::size_t m = hrtf->M, r = hrtf->R, n = hrtf->N;
  if (r != 2) {
    why = "another convention: " + std::to_string(r) + " receivers, not two ears";
    return false;
  }
  if (m == 0 || n == 0 || !hrtf->DataIR.values || hrtf->DataIR.elements != m * r * n ||
      !hrtf->SourcePosition.values || hrtf->SourcePosition.elements != 3 * m ||
      !hrtf->DataSamplingRate.values || hrtf->DataSamplingRate.elements != 1 ||
      !hrtf->ReceiverPosition.values || hrtf->ReceiverPosition.elements < 6 ||
      (hrtf->DataDelay.elements != 0 && !hrtf->DataDelay.values) ||
      (hrtf->DataDelay.elements != 0 && hrtf->DataDelay.elements != r &&
       hrtf->DataDelay.elements != m * r)) {
    why = "the file's arrays do not match its dimensions";
    return false;
  }
  if (m > static_cast<std::size_t>(INT32_MAX) || n > static_cast<std::size_t>(INT32_MAX)) {
    why = "the file holds more measurements than can be read";
    return false;
  }
  // Where the receiver positions put the left ear (SOFA's y axis points to the left), read
  // before the positions are made spherical: only to say when they contradict the data.
  const char* receiverType = attribute(hrtf->ReceiverPosition.attributes, "Type");
  const float* receivers = hrtf->ReceiverPosition.values;
  double side[2];
  for (int i = 0; i < 2; ++i) {
    const float* p = receivers + 3 * i;
    side[i] = receiverType && std::strcmp(receiverType, "spherical") == 0
                  ? p[2] * std::cos(p[1] * kRadiansPerDegree) * std::sin(p[0] * kRadiansPerDegree)
                  : p[1];
  }
  const char* sourceType = attribute(hrtf->SourcePosition.attributes, "Type");
  if (!sourceType || std::strcmp(sourceType, "spherical") != 0) mysofa_tospherical(hrtf.get());
  // The measurements decide which receiver is the left ear (receiver_sides.h).
  const ReceiverSides sides =
      decideReceiverSides(hrtf->DataIR.values, m, n, hrtf->SourcePosition.values);
  const int left = sides.left;
  const bool positionsSayLeft0 = side[0] > side[1], positionsSayLeft1 = side[1] > side[0];
  const bool contradicted =
      sides.measured && ((left == 0 && positionsSayLeft1) || (left == 1 && positionsSayLeft0));

  SofaMeasurements measurements;
  try {
    measurements.sampleRate = hrtf->DataSamplingRate.values[0];
    measurements.count = static_cast<int>(m);
    measurements.taps = static_cast<int>(n);
    measurements.positions.assign(hrtf->SourcePosition.values, hrtf->SourcePosition.values + 3 * m);
    measurements.responses.resize(m * 2 * n);
    measurements.delays.assign(m * 2, 0.0f);
    for (std::size_t i = 0; i < m; ++i) {
      for (int ear = 0; ear < 2; ++ear) {
        const std::size_t receiver = ear == 0 ? left : 1 - left;
        const float* from = hrtf->DataIR.values + (i * r + receiver) * n;
        std::copy(from, from + n, measurements.responses.begin() + (i * 2 + ear) * n);
        if (hrtf->DataDelay.elements == r)
          measurements.delays[i * 2 + ear] = hrtf->DataDelay.values[receiver];
        if (hrtf->DataDelay.elements == m * r)
          measurements.delays[i * 2 + ear] = hrtf->DataDelay.values[i * r + receiver];
      }
    }
    const char* title = attribute(hrtf->attributes, "Title");
    measurements.name = title && *title ? title : name;
    measurements.receiverPositionsContradict = contradicted;
    measurements.checksum = static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size)));
  } catch (const std::bad_alloc&) {
    why = "not enough memory to read the file";
    return false;
  }
  out = std::move(measurements);
  return true;
}

bool loadOwnResponseSet(const std::string& path, OwnResponseSet& out, std::string& status,
                        bool* earsContradicted) {
  const std::string name = baseName(path);
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    status = name + ": cannot be opened";
    return false;
  }
  const std::streamoff length = file.tellg();
  if (length < 0) {
    status = name + ": cannot be read";
    return false;
  }
  if (static_cast<uint64_t>(length) > own_set::kMaxFileBytes) {
    status = name + ": the file is too large (" + std::to_string(length >> 20) +
             " MiB; the limit is " + std::to_string(own_set::kMaxFileBytes >> 20) + " MiB)";
    return false;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(length));
  } catch (const std::bad_alloc&) {
    status = name + ": not enough memory to read the file";
    return false;
  }
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) {
    status = name + ": cannot be read";
    return false;
  }
  SofaMeasurements measurements;
  std::string why;
  if (!readSofaMeasurementsIsolated(bytes.data(), bytes.size(), name, measurements, why) ||
      !prepareOwnResponseSet(measurements, out, why)) {
    status = name + ": " + why;
    return false;
  }
  status = why;
  if (measurements.receiverPositionsContradict)
    status += std::string("; ") + kEarsByMeasurementNote;
  if (earsContradicted) *earsContradicted = measurements.receiverPositionsContradict;
  return true;
}

}  // namespace panner
