#include "win32/screenshot.h"

#include <fstream>
#include <vector>

#include "portable/bmp_image.h"
#include "portable/text_format.h"
#include "win32/handles.h"

namespace corvane::win32 {

std::string SaveScreenshot(HWND window, const std::string &path) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return "error no window rectangle";
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return "error empty window";

  WindowDC screen(nullptr);
  MemoryDC memory(screen.get());
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen.get() || !memory.get() || !bitmap.get()) return "error no bitmap";
  {
    Selection selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top,
                SRCCOPY | CAPTUREBLT)) {
      return "error BitBlt failed";
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const size_t stride = Bmp24Stride(width);
  std::vector<unsigned char> pixels(stride * static_cast<size_t>(height));
  if (GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info,
                DIB_RGB_COLORS) != height) {
    return "error GetDIBits failed";
  }
  const auto file = EncodeBmp24(width, height, pixels.data(), stride);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) return "error cannot write the file";
  return Format("%dx%d", width, height);
}

}  // namespace corvane::win32
