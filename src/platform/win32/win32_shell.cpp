#include "platform/win32/win32_shell.h"

#include <cstring>

#include "host/corvane_api.h"
#include "platform/win32/win32_handles.h"

namespace kestrane::win32 {

namespace {
constexpr int kStyleSetting = 1;
constexpr int kOutlineColourSetting = 13;
}  // namespace

WindowHandle Win32Shell::CoreWindow() { return FromHwnd(GetCVWnd()); }

Path Win32Shell::Folder() {
  Path folder;
  GetCorvanePath(folder.Buffer(), static_cast<int>(Path::kCapacity));
  folder.Resync();
  return folder;
}

Path Win32Shell::Editor() {
  Path editor;
  GetCorvaneEditor(editor.Buffer());
  editor.Resync();
  return editor;
}

void Win32Shell::Execute(const char *program, const char *arguments) {
  CVExecute(nullptr, nullptr, program, arguments, nullptr, SW_SHOWNORMAL, false);
}

bool Win32Shell::ReadBool(const char *file, const char *key, bool fallback) {
  return ::ReadBool(file, key, fallback);
}

int Win32Shell::ReadInt(const char *file, const char *key, int fallback) {
  return ::ReadInt(file, key, fallback);
}

Path Win32Shell::ReadString(const char *file, const char *key, const char *fallback) {
  // The shell's buffer is valid only until its next call: copy it at once.
  return Path(::ReadString(file, key, fallback));
}

LongText Win32Shell::ReadLongString(const char *file, const char *key, const char *fallback) {
  return LongText(::ReadString(file, key, fallback));
}

void Win32Shell::WriteBool(const char *file, const char *key, bool value) {
  ::WriteBool(file, key, value);
}

void Win32Shell::WriteInt(const char *file, const char *key, int value) {
  ::WriteInt(file, key, value);
}

void Win32Shell::WriteString(const char *file, const char *key, const char *value) {
  ::WriteString(file, key, value);
}

bool Win32Shell::FileExists(const char *path) { return ::FileExists(path); }

bool Win32Shell::MakeSticky(WindowHandle window) { return ::MakeSticky(ToHwnd(window)); }

void Win32Shell::RemoveSticky(WindowHandle window) { ::RemoveSticky(ToHwnd(window)); }

namespace {
::Menu *ToMenu(MenuHandle m) { return reinterpret_cast<::Menu *>(static_cast<std::uintptr_t>(m)); }
}  // namespace

MenuHandle Win32Shell::MakeNamedMenu(const char *title, const char *id, bool popup) {
  return static_cast<MenuHandle>(
      reinterpret_cast<std::uintptr_t>(::MakeNamedMenu(title, id, popup)));
}

void Win32Shell::MakeMenuItem(MenuHandle menu, const char *title, const char *command,
                              bool checked) {
  ::MakeMenuItem(ToMenu(menu), title, command, checked);
}

void Win32Shell::MakeMenuItemInt(MenuHandle menu, const char *title, const char *command, int value,
                                 int minimum, int maximum) {
  ::MakeMenuItemInt(ToMenu(menu), title, command, value, minimum, maximum);
}

void Win32Shell::MakeSubmenu(MenuHandle parent, MenuHandle child, const char *title) {
  ::MakeSubmenu(ToMenu(parent), ToMenu(child), title);
}

void Win32Shell::MakeMenuNOP(MenuHandle menu, const char *title) {
  ::MakeMenuNOP(ToMenu(menu), title);
}

void Win32Shell::ShowMenu(MenuHandle menu) { ::ShowMenu(ToMenu(menu)); }

void Win32Shell::SnapWindowToEdge(std::intptr_t windowPos, int distance, unsigned flags) {
  ::SnapWindowToEdge(reinterpret_cast<WINDOWPOS *>(windowPos), distance, flags);
}

void Win32Shell::MakeStyleGradient(DeviceContext dc, const Rect &rect, const StyleRecord &style,
                                   bool border) {
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  ::MakeStyleGradient(ToHdc(dc), &r, style.bytes, border);
}

StyleRecord Win32Shell::Style() {
  StyleRecord record;
  if (const void *style = GetSettingPtr(kStyleSetting)) {
    std::memcpy(record.bytes, style, sizeof record.bytes);
  }
  return record;
}

ColourRef Win32Shell::OutlineColour() {
  const auto *colour = static_cast<const COLORREF *>(GetSettingPtr(kOutlineColourSetting));
  return colour ? *colour : 0;
}

std::intptr_t Win32Shell::Send(WindowHandle to, unsigned message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  return SendMessageA(ToHwnd(to), message, wParam, lParam);
}

}  // namespace kestrane::win32
