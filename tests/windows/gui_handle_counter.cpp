#include "gui_handle_counter.h"

#include <atomic>
#include <cstring>

namespace panner {

namespace {

std::atomic<long> gGdi{0};
std::atomic<long> gUser{0};

decltype(&CreatePen) realCreatePen;
decltype(&CreateSolidBrush) realCreateSolidBrush;
decltype(&CreateFontA) realCreateFontA;
decltype(&CreateDIBSection) realCreateDIBSection;
decltype(&CreateCompatibleDC) realCreateCompatibleDC;
decltype(&DeleteObject) realDeleteObject;
decltype(&DeleteDC) realDeleteDC;
decltype(&GetDC) realGetDC;
decltype(&ReleaseDC) realReleaseDC;
decltype(&CreateWindowExA) realCreateWindowExA;
decltype(&DestroyWindow) realDestroyWindow;

template <typename Handle>
Handle counted(Handle handle, std::atomic<long>& count) {
  if (handle) ++count;
  return handle;
}

HPEN WINAPI countCreatePen(int style, int width, COLORREF colour) {
  return counted(realCreatePen(style, width, colour), gGdi);
}
HBRUSH WINAPI countCreateSolidBrush(COLORREF colour) {
  return counted(realCreateSolidBrush(colour), gGdi);
}
HFONT WINAPI countCreateFontA(int height, int width, int escapement, int orientation, int weight,
                              DWORD italic, DWORD underline, DWORD strike, DWORD charset,
                              DWORD precision, DWORD clip, DWORD quality, DWORD pitch,
                              LPCSTR face) {
  return counted(realCreateFontA(height, width, escapement, orientation, weight, italic, underline,
                                 strike, charset, precision, clip, quality, pitch, face),
                 gGdi);
}
HBITMAP WINAPI countCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                     HANDLE section, DWORD offset) {
  return counted(realCreateDIBSection(dc, info, usage, bits, section, offset), gGdi);
}
HDC WINAPI countCreateCompatibleDC(HDC dc) { return counted(realCreateCompatibleDC(dc), gGdi); }
WINBOOL WINAPI countDeleteObject(HGDIOBJ object) {
  const WINBOOL done = realDeleteObject(object);
  if (done) --gGdi;
  return done;
}
WINBOOL WINAPI countDeleteDC(HDC dc) {
  const WINBOOL done = realDeleteDC(dc);
  if (done) --gGdi;
  return done;
}
HDC WINAPI countGetDC(HWND window) { return counted(realGetDC(window), gGdi); }
int WINAPI countReleaseDC(HWND window, HDC dc) {
  const int done = realReleaseDC(window, dc);
  if (done) --gGdi;
  return done;
}
HWND WINAPI countCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                                 int y, int width, int height, HWND parent, HMENU menu,
                                 HINSTANCE instance, LPVOID parameter) {
  return counted(realCreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                     menu, instance, parameter),
                 gUser);
}
WINBOOL WINAPI countDestroyWindow(HWND window) {
  const WINBOOL done = realDestroyWindow(window);
  if (done) --gUser;
  return done;
}

// The import address table slot of `function` from `dll` in `module`.
void** importSlot(HMODULE module, const char* dll, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return nullptr;
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       entry->Name; ++entry) {
    if (_stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

template <typename Function>
bool redirect(HMODULE module, const char* dll, const char* name, Function& real,
              Function replacement) {
  void** slot = importSlot(module, dll, name);
  if (!slot) return false;
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection)) return false;
  real = reinterpret_cast<Function>(*slot);
  *slot = reinterpret_cast<void*>(replacement);
  VirtualProtect(slot, sizeof(void*), protection, &protection);
  return true;
}

}  // namespace

bool GuiHandleCounter::install(HMODULE module) {
  bool all = true;
  all &= redirect(module, "gdi32.dll", "CreatePen", realCreatePen, countCreatePen);
  all &= redirect(module, "gdi32.dll", "CreateSolidBrush", realCreateSolidBrush,
                  countCreateSolidBrush);
  all &= redirect(module, "gdi32.dll", "CreateFontA", realCreateFontA, countCreateFontA);
  all &= redirect(module, "gdi32.dll", "CreateDIBSection", realCreateDIBSection,
                  countCreateDIBSection);
  all &= redirect(module, "gdi32.dll", "CreateCompatibleDC", realCreateCompatibleDC,
                  countCreateCompatibleDC);
  all &= redirect(module, "gdi32.dll", "DeleteObject", realDeleteObject, countDeleteObject);
  all &= redirect(module, "gdi32.dll", "DeleteDC", realDeleteDC, countDeleteDC);
  all &= redirect(module, "user32.dll", "GetDC", realGetDC, countGetDC);
  all &= redirect(module, "user32.dll", "ReleaseDC", realReleaseDC, countReleaseDC);
  all &=
      redirect(module, "user32.dll", "CreateWindowExA", realCreateWindowExA, countCreateWindowExA);
  all &= redirect(module, "user32.dll", "DestroyWindow", realDestroyWindow, countDestroyWindow);
  return all;
}

long GuiHandleCounter::liveGdiObjects() { return gGdi.load(); }
long GuiHandleCounter::liveUserObjects() { return gUser.load(); }

}  // namespace panner
