// Kestrane on a system without layered windows: Windows NT 4.0 as Wine reports it.
#include <gtest/gtest.h>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

bool AnyLineHas(const RunResult &run, const std::string &part) {
  for (const auto &line : run.transcript) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(OldWindows, NT4RunsEverythingButTheLayeredFeatures) {
  ReportedWindowsVersion nt4("nt40");
  ASSERT_TRUE(nt4.ok());
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "1=Alpha\n");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\n");
  // Every layered feature switched on: none of it may take effect.
  session.WriteFile("Kestrane.rc",
                    "Kestrane.plugin.transparency.enabled: true\r\n"
                    "Kestrane.plugin.transback.enabled: true\r\n"
                    "Kestrane.plugin.GlobalTransparency: true\r\n"
                    "Kestrane.plugin.GlobTransAlpha: 100\r\n"
                    "Kestrane.plugin.GlobalSticky: true\r\n"
                    "Kestrane.plugin.transClass0: CorvaneSlit\r\n"
                    "Kestrane.plugin.stickyClass0: CorvaneSlit\r\n");
  RunResult run = session.Run("beginSlitPlugin",
                              "window Kestrane\n"
                              "rclick Kestrane\n"
                              "pick @KestraneInternal AlwaysOnTop\n"
                              "broam @KestraneInternal TogglePlugin 0\n"
                              "broam @KestraneInternal TogglePlugin 0\n"
                              "reconfigure\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Has("start beginSlitPlugin -> 0")) << run.Dump();
  // A tool window without the layered bit, and no layered attributes for any window.
  EXPECT_EQ(run.Lines("window wnd:Kestrane"),
            std::vector<std::string>{"window wnd:Kestrane ex=0x00000088 style=0x96000000 x=10 "
                                     "y=10 w=25 h=25 visible=1 topmost=1 parent=wnd:0"})
      << run.Dump();
  EXPECT_TRUE(run.Lines("layered").empty()) << run.Dump();
  // The controllers never ran: the listed Slit is neither made sticky nor released.
  EXPECT_FALSE(AnyLineHas(run, "sticky add wnd:CorvaneSlit")) << run.Dump();
  EXPECT_FALSE(AnyLineHas(run, "sticky remove wnd:CorvaneSlit")) << run.Dump();

  // The menu without the transparency items and the three controller submenus.
  int top = run.Find("menu \"Kestrane\" id=\"Kestrane_IDMain\" popup=1");
  ASSERT_NE(top, -1) << run.Dump();
  const std::vector<std::string> configuration = {
      "menu   sub \"Configuration\"",
      "menu     item \"Docked to Slit\" \"@KestraneInternal SlitToggle\" checked=0",
      "menu     item \"Always On Top\" \"@KestraneInternal AlwaysOnTop\" checked=1",
      "menu     item \"Snap Window To Edge\" \"@KestraneInternal SnapWindowToEdge\" checked=1",
      "menu     item \"Toggle With Plugins\" \"@KestraneInternal ToggleWithPlugins\" checked=1",
      "menu     int \"Alpha Value\" \"@KestraneInternal TransparencyAlpha\" 60 0 255",
      "menu     nop \"\"",
      "menu   nop \"\"",
  };
  ASSERT_GE(run.transcript.size(), top + 1 + configuration.size());
  EXPECT_EQ(std::vector<std::string>(run.transcript.begin() + top + 1,
                                     run.transcript.begin() + top + 1 + configuration.size()),
            configuration)
      << run.Dump();

  // Everything else works: the command, both switches of the plug-in, reconfigure, shut-down.
  EXPECT_NE(run.Find("status \"Kestrane -> AlwaysOnTop disabled!\""), -1) << run.Dump();
  EXPECT_EQ(run.PluginStartsAndEnds(),
            (std::vector<std::string>{
                "plugin a.dll beginPluginEx module=a.dll slit=wnd:CorvaneSlit",
                "plugin a.dll endPlugin module=a.dll",
                "plugin a.dll beginPluginEx module=a.dll slit=wnd:CorvaneSlit",
                "plugin a.dll endPlugin module=a.dll",
                "plugin a.dll beginPluginEx module=a.dll slit=wnd:CorvaneSlit",
                "plugin a.dll endPlugin module=a.dll",
            }))
      << run.Dump();
  EXPECT_NE(run.Find("unloaded"), -1);
  EXPECT_NE(run.Find("alive"), -1);
  EXPECT_TRUE(run.Lines("msgbox").empty()) << run.Dump();
}

}  // namespace
}  // namespace kestrane::e2e
