// The about picture on Windows: bitmap resource 129 of the plug-in's module (compiled in
// by windres from the BMP the generator writes), read once into rows of red, green and
// blue bytes like the pixels the Linux build compiles in; and for a scaled panel the
// picture at the size it carries that fits, a PNG resource decoded by GDI+.
#include <windows.h>
// windows.h first: the others build on its types.
#include <gdiplus.h>
#include <objbase.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "about_picture.h"

namespace resources {

namespace {

// One row of blue, green, red bytes (Windows' order) as red, green, blue.
void rgbFromBgr(const unsigned char* in, unsigned char* out, size_t pixels) {
  for (size_t x = 0; x < pixels; ++x) {
    out[3 * x] = in[3 * x + 2];
    out[3 * x + 1] = in[3 * x + 1];
    out[3 * x + 2] = in[3 * x];
  }
}

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
    rgbFromBgr(pixels + rowBytes * static_cast<size_t>(sourceRow),
               &rgb[static_cast<size_t>(y) * kAboutPictureWidth * 3], kAboutPictureWidth);
  }
  return rgb;
}

const std::vector<unsigned char> kPicture = readAboutPicture();

}  // namespace

const unsigned char* const kAboutPicturePixels = kPicture.data();

namespace {

// The PNG resource `id` decoded into rows of red, green and blue bytes; false when it is
// missing or does not decode.
bool decodePicture(int32_t id, std::vector<unsigned char>& rgb, int32_t& width, int32_t& height) {
  using namespace Gdiplus;
  using namespace Gdiplus::DllExports;
  HMODULE module = ownModule();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RCDATA
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!data) return false;
  // A stream over a copy of the resource (ole32's; the stream frees the copy).
  const DWORD size = SizeofResource(module, found);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  void* copied = copy ? GlobalLock(copy) : nullptr;
  if (!copied) {
    if (copy) GlobalFree(copy);
    return false;
  }
  std::memcpy(copied, data, size);
  GlobalUnlock(copy);
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(copy, TRUE, &stream) != S_OK) {
    GlobalFree(copy);
    return false;
  }
  ULONG_PTR token = 0;
  GdiplusStartupInput input;
  bool decoded = false;
  if (GdiplusStartup(&token, &input, nullptr) == Ok) {
    GpBitmap* bitmap = nullptr;
    UINT w = 0, h = 0;
    if (GdipCreateBitmapFromStream(stream, &bitmap) == Ok && GdipGetImageWidth(bitmap, &w) == Ok &&
        GdipGetImageHeight(bitmap, &h) == Ok) {
      const GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
      BitmapData pixels{};
      if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat24bppRGB, &pixels) == Ok) {
        width = static_cast<int32_t>(w);
        height = static_cast<int32_t>(h);
        rgb.resize(static_cast<size_t>(w) * h * 3);
        for (UINT y = 0; y < h; ++y)
          rgbFromBgr(static_cast<const unsigned char*>(pixels.Scan0) +
                         static_cast<ptrdiff_t>(y) * pixels.Stride,
                     &rgb[static_cast<size_t>(y) * w * 3], w);
        GdipBitmapUnlockBits(bitmap, &pixels);
        decoded = true;
      }
    }
    if (bitmap) GdipDisposeImage(bitmap);
    GdiplusShutdown(token);
  }
  stream->Release();
  return decoded;
}

}  // namespace

// No Cairo in the Windows build: the size carried that is the panel's, else the next
// larger one; a scale between two of Windows' display scales is rare.
bool renderAboutPicture(double scale, std::vector<unsigned char>& rgb, int32_t& width,
                        int32_t& height, double& pictureScale) {
  if (!(scale > 1.0)) return false;
  int32_t index = 0;
  constexpr auto kCount = static_cast<int32_t>(std::size(kAboutPicturePercents));
  // A scale of a whole percent (all DPI steps are) picks its own size, despite rounding.
  while (index + 1 < kCount && kAboutPicturePercents[index] < scale * 100.0 - 0.01) ++index;
  if (!decodePicture(kAboutPictureScaledId + index, rgb, width, height)) return false;
  pictureScale = kAboutPicturePercents[index] / 100.0;
  return true;
}

}  // namespace resources
