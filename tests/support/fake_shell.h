// The shell as a test sees it: in-memory configuration files, recorded calls and messages.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/shell.h"

namespace kestrane::testing {

struct FakeMenuEntry {
  std::string kind;  // item, int, sub, nop
  std::string title;
  std::string command;
  bool checked = false;
  int value = 0, minimum = 0, maximum = 0;
  int child = -1;  // index into FakeShell::menus for a submenu
};

struct FakeMenu {
  std::string title;
  std::string id;
  bool popup = false;
  std::vector<FakeMenuEntry> entries;
};

struct SentMessage {
  WindowHandle to;
  unsigned message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  std::vector<unsigned> list;  // copy of a zero-terminated message list (10001/10002)
  std::string text;            // copy of a text argument (10304, 10901)
};

class FakeShell final : public Shell {
 public:
  explicit FakeShell(CallLog &log) : log_(log) {}

  // Files and their keys; keys are matched case-insensitively as the shell does.
  std::map<std::string, std::map<std::string, std::string>> files;
  std::string folder = "C:\\Corvane\\";
  std::string editor = "C:\\Tools\\edit.exe";
  WindowHandle coreWindow{0xC0};
  StyleRecord style;
  ColourRef outline = 0x00112233;
  std::vector<SentMessage> sent;
  std::set<WindowHandle> sticky;
  std::vector<FakeMenu> menus;  // every menu made, in order
  std::vector<int> shown;       // menus passed to ShowMenu
  std::vector<std::intptr_t> snapped;
  // Takes the messages sent to windows other than the shell's (Kestrane's own window): the
  // window procedure as the system would call it. Unset: they are only recorded.
  std::function<std::intptr_t(WindowHandle, unsigned, std::uintptr_t, std::intptr_t)> deliver;
  // Runs for each bro@m sent to the shell, as the shell hands it to the plug-ins' windows.
  std::function<void(const std::string &broam)> broadcast;

  // The last menu shown as indented lines: "Title [id]", "  item Title -> command *", ...
  std::vector<std::string> ShownTree() const;
  const FakeMenu &Menu(int index) const { return menus.at(index); }

  void Set(const std::string &file, const std::string &key, const std::string &value);

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

 private:
  // A key of an in-memory file, else of a real file on disk ("key: value" lines).
  std::optional<std::string> Find(const char *file, const char *key) const;
  CallLog &log_;
  std::mutex sentMutex_;  // workers send status texts while the test's thread sends too
};

}  // namespace kestrane::testing
