// The shell's exported functions and its window messages, as the core sees them.
#pragma once

#include <cstdint>

#include "core/bounded_text.h"
#include "platform/canvas.h"
#include "platform/handles.h"

namespace kestrane {

constexpr std::size_t kStyleBytes = 300;
struct StyleRecord {
  unsigned char bytes[kStyleBytes] = {};
};

// Room for the long texts an update publishes (its description, its changes).
using LongText = BoundedText<4096>;

class Shell {
 public:
  virtual ~Shell() = default;

  virtual WindowHandle CoreWindow() = 0;
  virtual Path Folder() = 0;  // ends in a backslash
  virtual Path Editor() = 0;
  virtual void Execute(const char *program, const char *arguments) = 0;

  virtual bool ReadBool(const char *file, const char *key, bool fallback) = 0;
  virtual int ReadInt(const char *file, const char *key, int fallback) = 0;
  virtual Path ReadString(const char *file, const char *key, const char *fallback) = 0;
  virtual LongText ReadLongString(const char *file, const char *key, const char *fallback) = 0;
  virtual void WriteBool(const char *file, const char *key, bool value) = 0;
  virtual void WriteInt(const char *file, const char *key, int value) = 0;
  virtual void WriteString(const char *file, const char *key, const char *value) = 0;
  virtual bool FileExists(const char *path) = 0;

  virtual bool MakeSticky(WindowHandle window) = 0;
  virtual void RemoveSticky(WindowHandle window) = 0;

  virtual MenuHandle MakeNamedMenu(const char *title, const char *id, bool popup) = 0;
  virtual void MakeMenuItem(MenuHandle menu, const char *title, const char *command,
                            bool checked) = 0;
  virtual void MakeMenuItemInt(MenuHandle menu, const char *title, const char *command, int value,
                               int minimum, int maximum) = 0;
  virtual void MakeSubmenu(MenuHandle parent, MenuHandle child, const char *title) = 0;
  virtual void MakeMenuNOP(MenuHandle menu, const char *title) = 0;
  virtual void ShowMenu(MenuHandle menu) = 0;

  // Changes the proposed position of a moving window (the message's WINDOWPOS) in place.
  virtual void SnapWindowToEdge(std::intptr_t windowPos, int distance, unsigned flags) = 0;
  virtual void MakeStyleGradient(DeviceContext dc, const Rect &rect, const StyleRecord &style,
                                 bool border) = 0;

  virtual StyleRecord Style() = 0;        // the first 300 bytes of style element 1
  virtual ColourRef OutlineColour() = 0;  // what setting 13 points to

  // A message to a shell window, waiting until it is handled. Pointer arguments travel in
  // lParam as the shell expects them.
  virtual std::intptr_t Send(WindowHandle to, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
};

}  // namespace kestrane
