// A TestRig whose list file is a real file in its scratch folder, with fake plug-in libraries
// under the shell folder "C:\Corvane\".
#pragma once

#include <map>
#include <string>

#include "test_rig.h"

namespace kestrane::testing {

struct PluginRig : TestRig {
  PluginRig();

  // A library at "c:\corvane\<relative>", as Kestrane will ask for it.
  FakeModule &Library(const std::string &relative);
  std::string ListPath() const { return folder + "/KSTR_Plugins.rc"; }
  void WriteList(const std::string &content) const;
  std::string ReadList() const;
  // Reads the settings and the list as start-up does, without creating the window.
  void ReadAll();

  std::string folder = scratch.path();  // real folder holding Kestrane.dll's list file
};

// Fake plug-in answers: code -> text, anything else `unknown`.
FakeModule WithInfo(std::map<int, std::string> answers, std::string unknown = "unknown");

}  // namespace kestrane::testing
