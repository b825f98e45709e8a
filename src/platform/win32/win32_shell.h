#pragma once

#include "platform/shell.h"

namespace kestrane::win32 {

// Calls the functions corvane.exe exports and sends window messages with SendMessageA.
class Win32Shell final : public Shell {
 public:
  WindowHandle CoreWindow() override;
  Path Folder() override;
  Path Editor() override;
  void Execute(const char *program, const char *arguments) override;
  bool ReadBool(const char *file, const char *key, bool fallback) override;
  int ReadInt(const char *file, const char *key, int fallback) override;
  Path ReadString(const char *file, const char *key, const char *fallback) override;
  LongText ReadLongString(const char *file, const char *key, const char *fallback) override;
  void WriteBool(const char *file, const char *key, bool value) override;
  void WriteInt(const char *file, const char *key, int value) override;
  void WriteString(const char *file, const char *key, const char *value) override;
  bool FileExists(const char *path) override;
  bool MakeSticky(WindowHandle window) override;
  void RemoveSticky(WindowHandle window) override;
  MenuHandle MakeNamedMenu(const char *title, const char *id, bool popup) override;
  void MakeMenuItem(MenuHandle menu, const char *title, const char *command, bool checked) override;
  void MakeMenuItemInt(MenuHandle menu, const char *title, const char *command, int value,
                       int minimum, int maximum) override;
  void MakeSubmenu(MenuHandle parent, MenuHandle child, const char *title) override;
  void MakeMenuNOP(MenuHandle menu, const char *title) override;
  void ShowMenu(MenuHandle menu) override;
  void SnapWindowToEdge(std::intptr_t windowPos, int distance, unsigned flags) override;
  void MakeStyleGradient(DeviceContext dc, const Rect &rect, const StyleRecord &style,
                         bool border) override;
  StyleRecord Style() override;
  ColourRef OutlineColour() override;
  std::intptr_t Send(WindowHandle to, unsigned message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
};

}  // namespace kestrane::win32
