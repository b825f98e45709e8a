// A started manager for the update workers: a real, lower-case shell folder on disk (update
// files land in real plug-in folders), fake plug-in libraries in it, and Kestrane's window,
// whose procedure takes the workers' messages as the window thread would.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "plugin_rig.h"

namespace kestrane::testing {

struct UpdateRig : PluginRig {
  UpdateRig();
  ~UpdateRig();

  // A plug-in at plugins/NAME/NAME.dll: a real file holding "old NAME", and its fake library.
  FakeModule &Plugin(const std::string &name, std::map<int, std::string> info = {});
  // Writes the list, reads settings and list, starts the enabled plug-ins, makes the window.
  void Start(const std::string &list);
  // Runs the worker threads started so far (the gear's thread is left: it would turn forever).
  void RunWorkers();

  std::string Site() const { return "http://site/"; }
  std::string Read(const std::string &relative) const;
  void Write(const std::string &relative, const std::string &content) const;
  // Every file below `relative` with its content, to compare a folder before and after.
  std::map<std::string, std::string> Folder(const std::string &relative) const;

  std::vector<std::string> Boxes() const;          // texts of the message boxes shown
  std::vector<std::string> Statuses() const;       // status texts sent to the shell
  int PluginCalls(const std::string &call) const;  // "call endPlugin ..." entries of the log

  std::string root;  // the shell's folder, ending in "/"
  WindowHandle window{0x77};
};

}  // namespace kestrane::testing
