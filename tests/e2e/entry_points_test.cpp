// Loading Kestrane.dll into the stand-in shell through each start function and unloading it.
#include <gtest/gtest.h>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

constexpr const char *kRcFile =
    "Kestrane.plugin.x: 40\r\n"
    "Kestrane.plugin.y: 30\r\n"
    "Kestrane.plugin.width: 32\r\n"
    "Kestrane.plugin.height: 28\r\n";

class StartFunction : public ::testing::TestWithParam<const char *> {};

TEST_P(StartFunction, CreatesTheButtonRegistersItAndUnloadsCleanly) {
  ShellSession session;
  session.InstallKestrane();
  session.WriteFile("Kestrane.rc", kRcFile);
  RunResult run = session.Run(GetParam(), "window Kestrane\nend\n");

  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Has(std::string("start ") + GetParam() + " -> 0")) << run.Dump();
  int registered = run.Find("register wnd:Kestrane 10103,10901");
  int sticky = run.Find("sticky add wnd:Kestrane");
  ASSERT_NE(registered, -1) << run.Dump();
  EXPECT_GT(sticky, registered) << run.Dump();

  // Tool window plus layered (Wine reports an NT system of version 5 or later), popup,
  // visible, clipping, where the configuration file put it and as large as it says.
  EXPECT_EQ(run.Lines("window wnd:Kestrane"),
            std::vector<std::string>{"window wnd:Kestrane ex=0x00080088 style=0x96000000 x=40 "
                                     "y=30 w=32 h=28 visible=1 topmost=1 parent=wnd:0"})
      << run.Dump();

  int end = run.Find("end");
  int unregistered = run.Find("unregister wnd:Kestrane 10103,10901", end);
  int unsticky = run.Find("sticky remove wnd:Kestrane", end);
  ASSERT_NE(unregistered, -1) << run.Dump();
  EXPECT_LT(unsticky, unregistered);
  EXPECT_GT(run.Find("unloaded", unregistered), unregistered);
  EXPECT_NE(run.Find("alive"), -1);
  EXPECT_TRUE(run.Lines("msgbox").empty()) << run.Dump();
  EXPECT_TRUE(run.Lines("slit").empty()) << run.Dump();  // inSlit is off
}

INSTANTIATE_TEST_SUITE_P(Each, StartFunction,
                         ::testing::Values("beginPlugin", "beginSlitPlugin", "beginPluginEx"));

TEST(Slit, DockedAtStartReleasedAtEndAndTheSettingKept) {
  ShellSession session;
  session.InstallKestrane();
  session.WriteFile("Kestrane.rc", std::string(kRcFile) + "Kestrane.plugin.inSlit: true\r\n");
  RunResult run = session.Run("beginSlitPlugin", "window Kestrane\nend\n");

  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  int start = run.Find("start beginSlitPlugin -> 0");
  int dock = run.Find("slit add wnd:Kestrane");
  int registered = run.Find("register wnd:Kestrane");
  ASSERT_NE(dock, -1) << run.Dump();
  EXPECT_LT(registered, dock);  // the window exists and is registered before it docks
  EXPECT_LT(dock, start);       // still inside the start function

  // Docked: not layered.
  auto window = run.Lines("window wnd:Kestrane");
  ASSERT_EQ(window.size(), 1u) << run.Dump();
  EXPECT_NE(window[0].find("ex=0x00000088"), std::string::npos) << window[0];

  int end = run.Find("end");
  int undock = run.Find("slit remove wnd:Kestrane", end);
  int unregistered = run.Find("unregister wnd:Kestrane", end);
  ASSERT_NE(undock, -1) << run.Dump();
  EXPECT_LT(undock, unregistered);
  EXPECT_NE(run.Find("alive"), -1);
  EXPECT_NE(session.ReadFile("Kestrane.rc").find("Kestrane.plugin.inSlit: true"),
            std::string::npos);
}

TEST(Slit, PlainStartNeverDocks) {
  ShellSession session;
  session.InstallKestrane();
  session.WriteFile("Kestrane.rc", "Kestrane.plugin.inSlit: true\r\n");
  RunResult run = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("slit").empty()) << run.Dump();
}

TEST(Configuration, KestranercInTheLibraryFolderWinsOverTheShellFolder) {
  ShellSession session;
  session.InstallKestrane("plugins/Kestrane/Kestrane.dll");
  session.WriteFile("plugins/Kestrane/Kestranerc", "Kestrane.plugin.x: 111\r\n");
  session.WriteFile("plugins/Kestrane/Kestrane.rc", "Kestrane.plugin.x: 222\r\n");
  session.WriteFile("Kestranerc", "Kestrane.plugin.x: 333\r\n");
  RunResult run = session.Run("beginPlugin", "window Kestrane\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto window = run.Lines("window wnd:Kestrane");
  ASSERT_EQ(window.size(), 1u) << run.Dump();
  EXPECT_NE(window[0].find(" x=111 "), std::string::npos) << window[0];
}

TEST(Configuration, ShellFolderIsUsedWhenTheLibraryFolderHasNone) {
  ShellSession session;
  session.InstallKestrane("plugins/Kestrane/Kestrane.dll");
  session.WriteFile("Kestrane.rc", "Kestrane.plugin.y: 77\r\nKestrane.plugin.x: 2000\r\n");
  RunResult run = session.Run("beginPlugin", "window Kestrane\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto window = run.Lines("window wnd:Kestrane");
  ASSERT_EQ(window.size(), 1u) << run.Dump();
  // x beyond the 1024-pixel screen reads as 10.
  EXPECT_NE(window[0].find(" x=10 y=77 w=25 h=25 "), std::string::npos) << window[0];
}

// Another program posts Kestrane's window every number from WM_USER up, with parameters that
// mean nothing: 10901's text and the private messages' calls are unreadable addresses. The
// shell lives on; Kestrane still carries out commands and unloads.
TEST(OtherPrograms, MessagesPostedByAnotherProgramAreNoCalls) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "1=Alpha\n");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\n");
  // Not the script's first line: those run before Kestrane starts.
  RunResult run = session.Run("beginPlugin", "wait 50\nrun " + session.WindowMaker() +
                                                 " post Kestrane 0x400 0xFFFF\n"
                                                 "await core message 32848 64512 0\n"
                                                 "broam @KestraneInternal AlwaysOnTop\n"
                                                 "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_NE(run.Find("maker done post"), -1) << run.Dump();
  EXPECT_TRUE(run.Lines("await").empty()) << run.Dump();
  EXPECT_EQ(run.Lines("status"),
            std::vector<std::string>{"status \"Kestrane -> AlwaysOnTop disabled!\""})
      << run.Dump();
  EXPECT_TRUE(run.Lines("msgbox").empty()) << run.Dump();
  // Only 10103, the shell's reconfigure, means something whoever posts it: Alpha restarted.
  EXPECT_EQ(run.PluginStartsAndEnds().size(), 4u) << run.Dump();
  EXPECT_NE(run.Find("unloaded"), -1);
  EXPECT_NE(run.Find("alive"), -1);
}

}  // namespace
}  // namespace kestrane::e2e
