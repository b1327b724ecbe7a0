// The about picture on Windows: bitmap resource 129 of the plug-in's module (compiled in
// by windres from the BMP the generator writes), read once into rows of red, green and
// blue bytes like the pixels the Linux build compiles in.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "about_picture.h"

namespace resources {

namespace {

HMODULE ownModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ownModule), &module);
  return module;
}

// A missing or malformed resource gives a black picture of the right size, never none.
std::vector<unsigned char> readAboutPicture() {
  std::vector<unsigned char> rgb(static_cast<size_t>(kAboutPictureBytes), 0);
  HMODULE module = ownModule();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kAboutPictureId), MAKEINTRESOURCEA(2));
  if (!found) return rgb;
  HGLOBAL loaded = LoadResource(module, found);
  const auto* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (!data || size < sizeof(BITMAPINFOHEADER)) return rgb;
  BITMAPINFOHEADER header;
  std::memcpy(&header, data, sizeof header);
  const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const size_t rowBytes = (static_cast<size_t>(kAboutPictureWidth) * 3 + 3) & ~size_t{3};
  if (header.biWidth != kAboutPictureWidth || height != kAboutPictureHeight ||
      header.biBitCount != 24 || header.biCompression != BI_RGB ||
      size < header.biSize + rowBytes * kAboutPictureHeight)
    return rgb;
  const unsigned char* pixels = data + header.biSize;
  for (int32_t y = 0; y < kAboutPictureHeight; ++y) {
    const int32_t sourceRow = header.biHeight > 0 ? kAboutPictureHeight - 1 - y : y;
    const unsigned char* in = pixels + rowBytes * static_cast<size_t>(sourceRow);
    unsigned char* out = &rgb[static_cast<size_t>(y) * kAboutPictureWidth * 3];
    for (int32_t x = 0; x < kAboutPictureWidth; ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  return rgb;
}

const std::vector<unsigned char> kPicture = readAboutPicture();

}  // namespace

const unsigned char* const kAboutPicturePixels = kPicture.data();

// No Cairo in the Windows build: a scaled panel shows the pixels above, resampled.
bool renderAboutPicture(double, std::vector<unsigned char>&, int32_t&, int32_t&) { return false; }

}  // namespace resources
