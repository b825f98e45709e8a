// Conversions between the core's opaque handles and the real Win32 ones.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace kestrane::win32 {

inline HWND ToHwnd(WindowHandle w) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w));
}
inline WindowHandle FromHwnd(HWND w) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(w));
}
inline HMODULE ToHmodule(ModuleHandle m) {
  return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(m));
}
inline ModuleHandle FromHmodule(HMODULE m) {
  return static_cast<ModuleHandle>(reinterpret_cast<std::uintptr_t>(m));
}

inline HDC ToHdc(DeviceContext dc) {
  return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(dc));
}
inline DeviceContext FromHdc(HDC dc) {
  return static_cast<DeviceContext>(reinterpret_cast<std::uintptr_t>(dc));
}

}  // namespace kestrane::win32
