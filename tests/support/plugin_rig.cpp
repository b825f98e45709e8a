#include "plugin_rig.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "core/list_file.h"
#include "core/settings.h"

namespace kestrane::testing {

PluginRig::PluginRig() {
  kernel.modulePath = folder + "/Kestrane.dll";
  shell.folder = "C:\\Corvane\\";
  manager.hostFolder = "c:\\corvane\\";
}

FakeModule &PluginRig::Library(const std::string &relative) {
  std::string path = "c:\\corvane\\" + relative;
  return libraries.available[path];
}

void PluginRig::WriteList(const std::string &content) const {
  std::ofstream(ListPath(), std::ios::binary) << content;
}

std::string PluginRig::ReadList() const {
  std::ifstream in(ListPath(), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void PluginRig::ReadAll() {
  ReadSettings(manager);
  ReadPluginList(manager);
}

FakeModule WithInfo(std::map<int, std::string> answers, std::string unknown) {
  FakeModule m;
  m.hasPluginInfo = true;
  auto texts = std::make_shared<std::map<int, std::string>>(std::move(answers));
  auto fallback = std::make_shared<std::string>(std::move(unknown));
  m.info = [texts, fallback](int code) -> const char * {
    auto it = texts->find(code);
    return it == texts->end() ? fallback->c_str() : it->second.c_str();
  };
  return m;
}

}  // namespace kestrane::testing
