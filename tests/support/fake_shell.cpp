#include "fake_shell.h"

#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "host/shell_messages.h"

namespace kestrane::testing {

namespace {
std::string Window(WindowHandle w) { return std::to_string(static_cast<std::uintptr_t>(w)); }
}  // namespace

void FakeShell::Set(const std::string &file, const std::string &key, const std::string &value) {
  files[file][key] = value;
}

std::optional<std::string> FakeShell::Find(const char *file, const char *key) const {
  auto f = files.find(file);
  if (f != files.end()) {
    for (const auto &[k, v] : f->second) {
      if (strcasecmp(k.c_str(), key) == 0) return v;
    }
    return std::nullopt;
  }
  // As the shell reads them: first match wins, blanks around key and value are dropped.
  std::ifstream in(file, std::ios::binary);
  auto trim = [](std::string t) {
    const char *blanks = " \t\r\n";
    std::size_t first = t.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    return t.substr(first, t.find_last_not_of(blanks) - first + 1);
  };
  std::string wanted = trim(key);
  if (!wanted.empty() && wanted.back() == ':') wanted.pop_back();
  for (std::string line; std::getline(in, line);) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (strcasecmp(trim(line.substr(0, colon)).c_str(), wanted.c_str()) == 0) {
      return trim(line.substr(colon + 1));
    }
  }
  return std::nullopt;
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
  std::optional<std::string> v = Find(file, key);
  if (!v) return fallback;
  if (strcasecmp(v->c_str(), "true") == 0) return true;
  if (strcasecmp(v->c_str(), "false") == 0) return false;
  return fallback;
}

int FakeShell::ReadInt(const char *file, const char *key, int fallback) {
  log_.Add(std::string("ReadInt ") + key);
  std::optional<std::string> v = Find(file, key);
  return !v ? fallback : std::atoi(v->c_str());
}

Path FakeShell::ReadString(const char *file, const char *key, const char *fallback) {
  log_.Add(std::string("ReadString ") + key);
  std::optional<std::string> v = Find(file, key);
  return Path(!v ? fallback : v->c_str());
}

LongText FakeShell::ReadLongString(const char *file, const char *key, const char *fallback) {
  log_.Add(std::string("ReadString ") + key);
  std::optional<std::string> v = Find(file, key);
  return LongText(!v ? fallback : v->c_str());
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

namespace {
// Menu handles are indices + 1, so that none is zero.
MenuHandle HandleOf(std::size_t index) { return MenuHandle{index + 1}; }
std::size_t IndexOf(MenuHandle m) { return static_cast<std::size_t>(m) - 1; }
std::string Text(const char *s) { return s ? s : "(null)"; }
}  // namespace

MenuHandle FakeShell::MakeNamedMenu(const char *title, const char *id, bool popup) {
  menus.push_back({Text(title), Text(id), popup, {}});
  return HandleOf(menus.size() - 1);
}

void FakeShell::MakeMenuItem(MenuHandle menu, const char *title, const char *command,
                             bool checked) {
  FakeMenuEntry e;
  e.kind = "item";
  e.title = Text(title);
  e.command = Text(command);
  e.checked = checked;
  menus.at(IndexOf(menu)).entries.push_back(e);
}

void FakeShell::MakeMenuItemInt(MenuHandle menu, const char *title, const char *command, int value,
                                int minimum, int maximum) {
  FakeMenuEntry e;
  e.kind = "int";
  e.title = Text(title);
  e.command = Text(command);
  e.value = value;
  e.minimum = minimum;
  e.maximum = maximum;
  menus.at(IndexOf(menu)).entries.push_back(e);
}

void FakeShell::MakeSubmenu(MenuHandle parent, MenuHandle child, const char *title) {
  FakeMenuEntry e;
  e.kind = "sub";
  e.title = Text(title);
  e.child = static_cast<int>(IndexOf(child));
  menus.at(IndexOf(parent)).entries.push_back(e);
}

void FakeShell::MakeMenuNOP(MenuHandle menu, const char *title) {
  FakeMenuEntry e;
  e.kind = "nop";
  e.title = Text(title);
  menus.at(IndexOf(menu)).entries.push_back(e);
}

void FakeShell::ShowMenu(MenuHandle menu) {
  log_.Add("ShowMenu " + menus.at(IndexOf(menu)).title);
  shown.push_back(static_cast<int>(IndexOf(menu)));
}

void FakeShell::SnapWindowToEdge(std::intptr_t windowPos, int distance, unsigned flags) {
  log_.Add("SnapWindowToEdge " + std::to_string(distance) + " " + std::to_string(flags));
  snapped.push_back(windowPos);
}

void FakeShell::MakeStyleGradient(DeviceContext, const Rect &rect, const StyleRecord &,
                                  bool border) {
  log_.Add("MakeStyleGradient " + std::to_string(rect.right) + "x" + std::to_string(rect.bottom) +
           (border ? " border" : ""));
}

std::vector<std::string> FakeShell::ShownTree() const {
  std::vector<std::string> lines;
  if (shown.empty()) return lines;
  struct Walker {
    const FakeShell &shell;
    std::vector<std::string> &lines;
    void Walk(int index, const std::string &indent) {
      const FakeMenu &m = shell.menus.at(index);
      for (const FakeMenuEntry &e : m.entries) {
        if (e.kind == "sub") {
          const FakeMenu &c = shell.menus.at(e.child);
          lines.push_back(indent + "sub " + e.title + " [" + c.id + "]");
          Walk(e.child, indent + "  ");
        } else if (e.kind == "int") {
          lines.push_back(indent + "int " + e.title + " -> " + e.command + " " +
                          std::to_string(e.value) + " " + std::to_string(e.minimum) + ".." +
                          std::to_string(e.maximum));
        } else if (e.kind == "nop") {
          lines.push_back(indent + "nop");
        } else {
          lines.push_back(indent + "item " + e.title + " -> " + e.command +
                          (e.checked ? " *" : ""));
        }
      }
    }
  };
  const FakeMenu &top = menus.at(shown.back());
  lines.push_back(top.title + " [" + top.id + "]");
  Walker{*this, lines}.Walk(shown.back(), "  ");
  return lines;
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
  {
    std::lock_guard<std::mutex> lock(sentMutex_);
    sent.push_back(m);
  }
  if (to == coreWindow && message == kHostMsgBroam && broadcast) broadcast(m.text);
  return to != coreWindow && deliver ? deliver(to, message, wParam, lParam) : 0;
}

}  // namespace kestrane::testing
