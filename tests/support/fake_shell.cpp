#include "fake_shell.h"

#include <strings.h>
#include <unistd.h>

#include <cstdlib>

#include "host/shell_messages.h"

namespace kestrane::testing {

namespace {
std::string Window(WindowHandle w) { return std::to_string(static_cast<std::uintptr_t>(w)); }
}  // namespace

void FakeShell::Set(const std::string &file, const std::string &key, const std::string &value) {
  files[file][key] = value;
}

const std::string *FakeShell::Find(const char *file, const char *key) const {
  auto f = files.find(file);
  if (f == files.end()) return nullptr;
  for (const auto &[k, v] : f->second) {
    if (strcasecmp(k.c_str(), key) == 0) return &v;
  }
  return nullptr;
}

WindowHandle FakeShell::CoreWindow() {
  log_.Add("GetCVWnd");
  return coreWindow;
}

Path FakeShell::Folder() {
  log_.Add("GetCorvanePath");
  return Path(folder);
}

Path FakeShell::Editor() { return Path(editor); }

void FakeShell::Execute(const char *program, const char *arguments) {
  log_.Add(std::string("CVExecute ") + program + " " + arguments);
}

bool FakeShell::ReadBool(const char *file, const char *key, bool fallback) {
  log_.Add(std::string("ReadBool ") + key);
  const std::string *v = Find(file, key);
  if (v == nullptr) return fallback;
  if (strcasecmp(v->c_str(), "true") == 0) return true;
  if (strcasecmp(v->c_str(), "false") == 0) return false;
  return fallback;
}

int FakeShell::ReadInt(const char *file, const char *key, int fallback) {
  log_.Add(std::string("ReadInt ") + key);
  const std::string *v = Find(file, key);
  return v == nullptr ? fallback : std::atoi(v->c_str());
}

Path FakeShell::ReadString(const char *file, const char *key, const char *fallback) {
  log_.Add(std::string("ReadString ") + key);
  const std::string *v = Find(file, key);
  return Path(v == nullptr ? fallback : v->c_str());
}

void FakeShell::WriteBool(const char *file, const char *key, bool value) {
  log_.Add(std::string("WriteBool ") + key + (value ? " true" : " false"));
  files[file][key] = value ? "true" : "false";
}

void FakeShell::WriteInt(const char *file, const char *key, int value) {
  log_.Add(std::string("WriteInt ") + key + " " + std::to_string(value));
  files[file][key] = std::to_string(value);
}

void FakeShell::WriteString(const char *file, const char *key, const char *value) {
  log_.Add(std::string("WriteString ") + key + " " + value);
  files[file][key] = value;
}

bool FakeShell::FileExists(const char *path) {
  log_.Add(std::string("FileExists ") + path);
  return files.count(path) != 0 || access(path, F_OK) == 0;  // real files: the list file
}

bool FakeShell::MakeSticky(WindowHandle window) {
  log_.Add("MakeSticky " + Window(window));
  sticky.insert(window);
  return true;
}

void FakeShell::RemoveSticky(WindowHandle window) {
  log_.Add("RemoveSticky " + Window(window));
  sticky.erase(window);
}

StyleRecord FakeShell::Style() {
  log_.Add("GetSettingPtr 1");
  return style;
}

ColourRef FakeShell::OutlineColour() {
  log_.Add("GetSettingPtr 13");
  return outline;
}

std::intptr_t FakeShell::Send(WindowHandle to, unsigned message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  SentMessage m{to, message, wParam, lParam, {}, {}};
  if (message == kHostMsgRegister || message == kHostMsgUnregister) {
    for (auto *p = reinterpret_cast<const unsigned *>(lParam); p != nullptr && *p != 0; ++p) {
      m.list.push_back(*p);
    }
  } else if (message == kHostMsgStatusText || message == kHostMsgBroam) {
    m.text = reinterpret_cast<const char *>(lParam);
  }
  log_.Add("Send " + std::to_string(message) + " to " + Window(to));
  sent.push_back(m);
  return 0;
}

}  // namespace kestrane::testing
