// What a fault reported by the guard means at each place Kestrane calls into a plug-in.
#include <gtest/gtest.h>

#include <functional>

#include "core/plugin_about.h"
#include "core/plugin_add_remove.h"
#include "core/plugin_fault.h"
#include "core/plugin_table.h"
#include "core/startup.h"
#include "plugin_rig.h"
#include "ui/commands.h"
#include "update/plugin_release.h"

namespace kestrane {
namespace {

using testing::FaultAt;
using testing::PluginRig;
using testing::WithInfo;

// `where`: "f.dll+0x10" inside a hosted library, else the address alone.
std::string FaultText(const std::string &call, const std::string &where,
                      const std::string &dll = "f.dll") {
  const bool inside = where.find('+') != std::string::npos;
  return dll + " faulted in " + call + " and was switched off.\n\nException 0xC0000005 " +
         (inside ? "at " : "in a module Kestrane does not host: ") + where +
         ".\nIts line stays in the plugin list, disabled; \"Toggle Plugins\" starts it again.";
}

// Sound a.dll, then f.dll, started; the log and the boxes of the start cleared.
struct FaultRig : PluginRig {
  explicit FaultRig(std::function<void(testing::FakeModule &)> arrange = {}) {
    Library("a.dll") = WithInfo({{1, "Alpha"}, {2, "1.0"}, {3, "Ann"}, {4, "2004"}});
    testing::FakeModule &f = Library("f.dll") = WithInfo({{1, "Eff"}});
    if (arrange) arrange(f);
    WriteList("a.dll\r\nF.dll\r\n");
    started = StartManager(manager, ModuleHandle{1}) == 0;
  }
  const PluginEntry &F() const { return manager.plugins.slots[1]; }
  // The library is never freed once it faulted: its code may still be in use.
  bool FreedF() const { return log.IndexOf("FreeLibrary c:\\corvane\\f.dll") != -1; }
  bool started = false;
};

// Outside the library the whole address shows, in at least eight upper-case digits.
TEST(PluginFaults, AnAddressOutsideTheLibraryShowsWhole) {
  Fault outside;
  outside.raised = true;
  outside.code = exception::kAccessViolation;
  outside.address = 0x1A;
  FaultRig rig([&](testing::FakeModule &f) { f.faults["beginPlugin"] = outside; });
  ASSERT_TRUE(rig.started);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, FaultText("beginPlugin", "0x0000001A"));
}

TEST(PluginFaults, ABeginFaultSwitchesThePluginOffAndTheOthersGoOn) {
  PluginRig rig;
  rig.Library("a.dll");
  rig.Library("f.dll").faults["beginPlugin"] = FaultAt(0x1A2B);
  rig.Library("z.dll");
  rig.WriteList("a.dll\r\nF.dll\r\nz.dll\r\n");
  ASSERT_EQ(StartManager(rig.manager, ModuleHandle{1}), 0);
  EXPECT_EQ(rig.log.Matching("call "),
            (std::vector<std::string>{
                "call beginPlugin c:\\corvane\\a.dll", "call beginPlugin c:\\corvane\\f.dll",
                "call endPlugin c:\\corvane\\f.dll",  // its chance to take down what it made
                "call beginPlugin c:\\corvane\\z.dll"}));
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, FaultText("beginPlugin", "f.dll+0x1A2B"));
  EXPECT_EQ(rig.desktop.boxes[0].caption, "Kestrane 0.7b");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconError);
  EXPECT_EQ(rig.desktop.boxes[0].owner, kNoWindow);
  EXPECT_EQ(rig.ReadList(), "a.dll\r\n!f.dll\r\nz.dll\r\n");
  const PluginEntry &f = rig.manager.plugins.slots[1];
  EXPECT_TRUE(f.inUse && f.faulted && !f.running && !f.enabled && f.module == kNoModule);

  rig.log.Clear();
  EndManager(rig.manager, ModuleHandle{1});
  EXPECT_EQ(rig.log.Matching("call "),
            (std::vector<std::string>{"call endPlugin c:\\corvane\\a.dll",
                                      "call endPlugin c:\\corvane\\z.dll"}));
  EXPECT_EQ(rig.log.IndexOf("FreeLibrary c:\\corvane\\f.dll"), -1);
}

// endPlugin or pluginInfo faulting wherever Kestrane calls them: one box, naming the entry
// point; no endPlugin after one that faulted; the library kept; the operation goes on.
TEST(PluginFaults, EveryCallSiteContainsTheFaultAndGoesOn) {
  const Fault outside = [] {
    Fault f = FaultAt(0);
    f.address = 0x7B001234;  // in a system library
    return f;
  }();
  struct Case {
    const char *what;
    const char *faultIn;
    std::function<void(FaultRig &)> act;
    const char *call, *where;
    int endCalls;  // endPlugin calls into f.dll after the start
    const char *list;
  } cases[] = {
      {"toggle off", "endPlugin", [](FaultRig &r) { TogglePluginEntry(r.manager, 1); }, "endPlugin",
       "f.dll+0x10", 1, "a.dll\r\n!f.dll\r\n"},
      {"reconfigure", "endPlugin", [](FaultRig &r) { Reconfigure(r.manager); }, "endPlugin",
       "f.dll+0x10", 1, "a.dll\r\n!f.dll\r\n"},
      {"remove", "endPlugin", [](FaultRig &r) { RemovePluginEntry(r.manager, 1); }, "endPlugin",
       "f.dll+0x10", 1, "a.dll\r\n"},
      {"about", "pluginInfo 4", [](FaultRig &r) { ShowAboutPlugins(r.manager); }, "pluginInfo",
       "f.dll+0x10", 1, "a.dll\r\n!f.dll\r\n"},
      {"update snapshot", "pluginInfo 2", [](FaultRig &r) { OwnRelease(r.manager, 1); },
       "pluginInfo", "f.dll+0x10", 1, "a.dll\r\n!f.dll\r\n"},
  };
  for (const Case &c : cases) {
    FaultRig rig([&](testing::FakeModule &f) { f.faults[c.faultIn] = FaultAt(0x10); });
    ASSERT_TRUE(rig.started && rig.F().running) << c.what;
    rig.log.Clear();
    c.act(rig);
    ASSERT_GE(rig.desktop.boxes.size(), 1u) << c.what;
    EXPECT_EQ(rig.desktop.boxes[0].text, FaultText(c.call, c.where)) << c.what;
    EXPECT_EQ(static_cast<int>(rig.log.Matching("call endPlugin c:\\corvane\\f.dll").size()),
              c.endCalls)
        << c.what;
    EXPECT_FALSE(rig.F().running) << c.what;
    EXPECT_EQ(rig.ReadList(), c.list) << c.what;
    EXPECT_FALSE(rig.FreedF()) << c.what;
    EXPECT_TRUE(rig.manager.plugins.slots[0].running) << c.what;
  }
  {  // The information asked after each start, from outside the library: an address alone.
    FaultRig rig([&](testing::FakeModule &f) { f.faults["pluginInfo 1"] = outside; });
    ASSERT_EQ(rig.desktop.boxes.size(), 1u);
    EXPECT_EQ(rig.desktop.boxes[0].text, FaultText("pluginInfo", "0x7B001234"));
    EXPECT_EQ(rig.F().name, "f.dll");  // none of its answers is taken
    EXPECT_EQ(rig.log.Matching("call endPlugin c:\\corvane\\f.dll").size(), 1u);
  }
  {  // About Plugins lists the others after the box.
    FaultRig rig([](testing::FakeModule &f) { f.faults["pluginInfo 3"] = FaultAt(0x10); });
    ShowAboutPlugins(rig.manager);
    ASSERT_EQ(rig.desktop.boxes.size(), 2u);
    EXPECT_EQ(rig.desktop.boxes[1].text, "Alpha 1.0 by Ann (2004)\n");
  }
}

// Whichever plug-in was called, and whichever of Kestrane's own steps caught it, the library
// whose image holds the address is to blame; an address in none blames the called plug-in, or,
// in Kestrane's own steps, no one.
TEST(PluginFaults, TheLibraryHoldingTheAddressIsBlamed) {
  PluginRig rig;
  auto in = [&](const char *dll, std::uintptr_t offset) {
    return rig.libraries.FaultIn(std::string("c:\\corvane\\") + dll, offset);
  };
  rig.Library("f.dll");
  rig.Library("z.dll");
  // a's begin and end run code of f's (a bro@m its window took, say).
  rig.Library("a.dll").behaviour = [&](const std::string &call) {
    return call == "beginPlugin" || call == "endPlugin" ? in("f.dll", 0x40) : Fault{};
  };
  rig.WriteList("F.dll\r\na.dll\r\nz.dll\r\n");
  ASSERT_EQ(StartManager(rig.manager, ModuleHandle{1}), 0);
  const PluginEntry *slots = rig.manager.plugins.slots;
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, FaultText("beginPlugin of a.dll", "f.dll+0x40"));
  EXPECT_TRUE(slots[0].faulted && !slots[0].running);
  EXPECT_TRUE(slots[1].running && !slots[1].faulted);  // its begin was only cut short
  EXPECT_EQ(rig.ReadList(), "!f.dll\r\na.dll\r\nz.dll\r\n");
  EXPECT_EQ(rig.log.Matching("call endPlugin").size(), 1u);  // f's, to take down what it made

  // f is out of its slot but still loaded: a fault there is still its own. a's end, cut short,
  // may have left its windows: its library stays too.
  TogglePluginEntry(rig.manager, 1);
  ASSERT_EQ(rig.desktop.boxes.size(), 2u);
  EXPECT_EQ(rig.desktop.boxes[1].text, FaultText("endPlugin of a.dll", "f.dll+0x40"));
  EXPECT_FALSE(slots[1].running);
  EXPECT_EQ(rig.log.IndexOf("FreeLibrary c:\\corvane\\a.dll"), -1);
  EXPECT_EQ(rig.log.IndexOf("FreeLibrary c:\\corvane\\f.dll"), -1);
  EXPECT_EQ(rig.ReadList(), "!f.dll\r\n!a.dll\r\nz.dll\r\n");

  // A box's loop ran z's window, which faulted: the box is given up, z taken out.
  rig.desktop.whileShown = [&](const testing::ShownBox &shown) {
    if (shown.caption == "About Plugins...") throw testing::SimulatedFault{in("z.dll", 0x8)};
  };
  ShowAboutPlugins(rig.manager);
  ASSERT_EQ(rig.desktop.boxes.size(), 4u);
  EXPECT_EQ(rig.desktop.boxes[3].text,
            FaultText("the message loop of a box", "z.dll+0x8", "z.dll"));
  EXPECT_TRUE(slots[2].faulted);
  EXPECT_EQ(rig.ReadList(), "!f.dll\r\n!a.dll\r\n!z.dll\r\n");

  // A bro@m into code of no hosted library: no one is switched off.
  Fault outside = FaultAt(0);
  outside.address = 0x7B001234;
  rig.shell.broadcast = [&](const std::string &) { throw testing::SimulatedFault{outside}; };
  SendPluginBroamCommand(rig.manager, "@Some Thing");
  ASSERT_EQ(rig.desktop.boxes.size(), 5u);
  EXPECT_EQ(rig.desktop.boxes[4].text,
            "Kestrane caught an exception in SendPluginBroam.\n\nException 0xC0000005 in a "
            "module Kestrane does not host: 0x7B001234.\nWhat it was doing was abandoned; no "
            "plugin was switched off.");
  EXPECT_EQ(rig.ReadList(), "!f.dll\r\n!a.dll\r\n!z.dll\r\n");
}

// Shut-down: no box, no line changed, the others still end and leave.
TEST(PluginFaults, AFaultWhileShuttingDownChangesNothingAndShowsNothing) {
  FaultRig rig([](testing::FakeModule &f) { f.faults["endPlugin"] = FaultAt(0x10); });
  rig.log.Clear();
  EndManager(rig.manager, ModuleHandle{1});
  EXPECT_TRUE(rig.desktop.boxes.empty());
  EXPECT_EQ(rig.ReadList(), "a.dll\r\nF.dll\r\n");
  EXPECT_EQ(rig.log.Matching("call endPlugin"),
            (std::vector<std::string>{"call endPlugin c:\\corvane\\a.dll",
                                      "call endPlugin c:\\corvane\\f.dll"}));
  EXPECT_NE(rig.log.IndexOf("FreeLibrary c:\\corvane\\a.dll"), -1);
  EXPECT_FALSE(rig.FreedF());
}

}  // namespace
}  // namespace kestrane
