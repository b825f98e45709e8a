// A Manager over fresh test doubles, all logging into one CallLog, in a scratch working folder
// of its own.
#pragma once

#include "call_log.h"
#include "core/manager.h"
#include "fake_canvas.h"
#include "fake_desktop.h"
#include "fake_internet.h"
#include "fake_kernel.h"
#include "fake_libraries.h"
#include "fake_shell.h"
#include "fake_update_ports.h"
#include "scratch_folder.h"

namespace kestrane::testing {

struct TestRig {
  ScratchFolder scratch;  // first in, last out: the files the rig leaves go with it
  CallLog log;
  FakeShell shell{log};
  FakeDesktop desktop{log};
  FakeKernel kernel{log};
  FakeLibraries libraries{log};
  FakeCanvas canvas{log};
  FakeInternet internet;
  FakeFolderBrowser folders{log};
  Manager manager{Ports{shell, desktop, kernel, libraries, canvas, internet, folders}};

  // The configuration file Kestrane falls back to: "Kestrane.rc" beside the library.
  std::string OwnRcFile() const { return "C:\\Corvane\\plugins\\Kestrane\\Kestrane.rc"; }
};

}  // namespace kestrane::testing
