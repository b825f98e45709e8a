#include "update_rig.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/list_file.h"
#include "core/plugin_table.h"
#include "host/shell_messages.h"
#include "ui/spinner.h"

namespace kestrane::testing {

namespace fs = std::filesystem;

UpdateRig::UpdateRig() {
  // Kestrane lower-cases plug-in paths, so every letter of this folder's path must be lower.
  static int count = 0;
  root = "/tmp/kestrane-update-" + std::to_string(getpid()) + "-" + std::to_string(count++) + "/";
  fs::remove_all(root);
  fs::create_directories(root);
  shell.folder = root;
  manager.hostFolder = Path(root);
  manager.coreWindow = shell.coreWindow;
  shell.deliver = [this](WindowHandle to, unsigned message, std::uintptr_t wParam,
                         std::intptr_t lParam) -> std::intptr_t {
    if (to != manager.managerWindow.load()) return 0;
    return manager.windowProc.OnMessage({to, message, wParam, lParam}).value;
  };
}

UpdateRig::~UpdateRig() {
  // Workers a test left waiting see a shut-down and end without a step.
  manager.updates.epoch.fetch_add(1);
  RunWorkers();
  HaltSpinner(manager);
  kernel.JoinThreads();
  fs::remove_all(root);
}

FakeModule &UpdateRig::Plugin(const std::string &name, std::map<int, std::string> info) {
  Write("plugins/" + name + "/" + name + ".dll", "old " + name);
  FakeModule &module = libraries.available[root + "plugins/" + name + "/" + name + ".dll"];
  if (!info.empty()) module = WithInfo(std::move(info));
  return module;
}

void UpdateRig::Start(const std::string &list) {
  WriteList(list);
  ReadAll();
  manager.journal.Begin(JournalPathFor(manager.listFilePath).c_str(), kernel);
  StartAllPlugins(manager);
  manager.managerWindow = window;
  desktop.windows[window] = FakeWindow{"Kestrane", 0x80};
  log.Clear();
}

void UpdateRig::RunWorkers() {
  for (;;) {
    auto thread = std::find_if(kernel.pending.begin(), kernel.pending.end(),
                               [&](const auto &t) { return t.second != &manager; });
    if (thread == kernel.pending.end()) return;
    auto [routine, argument] = *thread;
    kernel.pending.erase(thread);
    routine(argument);
  }
}

std::string UpdateRig::Read(const std::string &relative) const {
  std::ifstream in(root + relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void UpdateRig::Write(const std::string &relative, const std::string &content) const {
  fs::create_directories(fs::path(root + relative).parent_path());
  std::ofstream(root + relative, std::ios::binary) << content;
}

std::map<std::string, std::string> UpdateRig::Folder(const std::string &relative) const {
  std::map<std::string, std::string> files;
  for (const auto &entry : fs::recursive_directory_iterator(root + relative)) {
    if (entry.is_regular_file()) {
      std::string name = fs::relative(entry.path(), root).string();
      files[name] = Read(name);
    }
  }
  return files;
}

std::vector<std::string> UpdateRig::Boxes() const {
  std::vector<std::string> texts;
  for (const ShownBox &b : desktop.boxes) texts.push_back(b.text);
  return texts;
}

std::vector<std::string> UpdateRig::Statuses() const {
  std::vector<std::string> texts;
  for (const SentMessage &m : shell.sent) {
    if (m.message == kHostMsgStatusText) texts.push_back(m.text);
  }
  return texts;
}

int UpdateRig::PluginCalls(const std::string &call) const {
  return static_cast<int>(log.Matching("call " + call).size());
}

}  // namespace kestrane::testing
