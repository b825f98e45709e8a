// The shell as a test sees it: in-memory configuration files, recorded calls and messages.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/shell.h"

namespace kestrane::testing {

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

  void Set(const std::string &file, const std::string &key, const std::string &value);

  WindowHandle CoreWindow() override;
  Path Folder() override;
  Path Editor() override;
  void Execute(const char *program, const char *arguments) override;
  bool ReadBool(const char *file, const char *key, bool fallback) override;
  int ReadInt(const char *file, const char *key, int fallback) override;
  Path ReadString(const char *file, const char *key, const char *fallback) override;
  void WriteBool(const char *file, const char *key, bool value) override;
  void WriteInt(const char *file, const char *key, int value) override;
  void WriteString(const char *file, const char *key, const char *value) override;
  bool FileExists(const char *path) override;
  bool MakeSticky(WindowHandle window) override;
  void RemoveSticky(WindowHandle window) override;
  StyleRecord Style() override;
  ColourRef OutlineColour() override;
  std::intptr_t Send(WindowHandle to, unsigned message, std::uintptr_t wParam,
                     std::intptr_t lParam) override;

 private:
  const std::string *Find(const char *file, const char *key) const;
  CallLog &log_;
};

}  // namespace kestrane::testing
