// Kestrane hosting real test plug-in DLLs from its list file.
#include <gtest/gtest.h>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

// Five plug-ins: an enabled one with every export, a disabled one, a Slit-only one that asks
// for the Slit, one with beginPluginEx but no beginSlitPlugin, one without pluginInfo.
void InstallFive(ShellSession &session) {
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "1=Alpha\n7=@Alpha Show@Alpha Hide\n");
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "1=Beta\n");
  session.InstallPlugin("plugin_slit", "plugins/s/s.dll", "1=Slitty\n");
  session.InstallPlugin("plugin_ex", "plugins/e/e.dll", "*=same\n");
  session.InstallPlugin("plugin_noinfo", "plugins/N/N.dll");  // capitals on disk
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\a\\a.dll\r\n"
                    "!plugins\\b\\b.dll\r\n"
                    "\r\n"
                    "&plugins\\s\\s.dll\r\n"
                    "plugins\\e\\e.dll\r\n"
                    "Plugins\\N\\N.DLL\r\n");
}

TEST(ManagedPlugins, PlainStartUsesBeginPluginForEveryEnabledOneInSlotOrder) {
  ShellSession session;
  InstallFive(session);
  RunResult run = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(run.PluginStartsAndEnds(), (std::vector<std::string>{
                                           "plugin a.dll beginPlugin module=a.dll",
                                           "plugin s.dll beginPlugin module=s.dll",
                                           "plugin e.dll beginPlugin module=e.dll",
                                           "plugin n.dll beginPlugin module=n.dll",
                                           "plugin a.dll endPlugin module=a.dll",
                                           "plugin s.dll endPlugin module=s.dll",
                                           "plugin e.dll endPlugin module=e.dll",
                                           "plugin n.dll endPlugin module=n.dll",
                                       }))
      << run.Dump();
  // Every library leaves the process: the disabled b.dll, linked but never started, too.
  for (const char *dll : {"a", "b", "s", "e", "n"}) {
    int unloaded = run.Find(std::string("plugin ") + dll + ".dll unloaded");
    EXPECT_NE(unloaded, -1) << dll << run.Dump();
    EXPECT_LT(unloaded, run.Find("unloaded"));  // before Kestrane itself
  }
  // Plug-ins start after Kestrane's window exists and end after it is gone.
  EXPECT_LT(run.Find("register wnd:Kestrane"), run.Find("plugin a.dll beginPlugin"));
  EXPECT_GT(run.Find("plugin a.dll endPlugin"), run.Find("unregister wnd:Kestrane"));
  EXPECT_TRUE(run.Lines("msgbox").empty()) << run.Dump();
  EXPECT_NE(run.Find("alive"), -1);
  // Nothing rewrote the list file.
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc").find("plugins\\a\\a.dll\r\n!plugins"), 0u);
}

// The C example of docs/writing-plugins.md, built from the guide as the guide says: on its own
// in the shell, then managed by Kestrane with its information and bro@ms.
TEST(ManagedPlugins, TheAuthorsGuidesCExampleRunsAloneAndUnderKestrane) {
  ShellSession session;
  session.InstallPlugin("hello", "hello.dll");
  session.UseKestraneAt("hello.dll");
  RunResult alone = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(alone.exitCode, 0) << alone.Dump();
  const int hello = alone.Find("status \"Hello from Z:\\\\");
  EXPECT_NE(hello, -1) << alone.Dump();
  EXPECT_EQ(alone.Find("start beginPlugin -> 0"), hello + 1) << alone.Dump();
  EXPECT_NE(alone.Find("alive"), -1);

  session.InstallKestrane();
  session.UseKestraneAt("Kestrane.dll");
  session.InstallPlugin("hello", "plugins/hello/hello.dll");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\hello\\hello.dll\r\n");
  RunResult managed =
      session.Run("beginPlugin", "broam @KestraneInternal AboutPlugins\nrclick Kestrane\nend\n");
  ASSERT_EQ(managed.exitCode, 0) << managed.Dump();
  EXPECT_NE(managed.Find("status \"Hello from Z:\\\\"), -1) << managed.Dump();
  EXPECT_NE(managed.Find("msgbox owner=wnd:0 caption=\"About Plugins...\" style=0x00000040 "
                         "text=\"Hello 1.0 by Ada (2004-10-31)\\n\""),
            -1)
      << managed.Dump();
  for (const char *broam : {"@Hello Wave", "@Hello Hush"}) {
    EXPECT_NE(managed.Find(std::string("menu       item \"") + broam +
                           "\" \"@KestraneInternal SendPluginBroam " + broam + "\""),
              -1)
        << managed.Dump();
  }
}

// For authors: --help, a mistyped option, and a plug-in importing a shell function the stand-in
// lacks, which is named and refused before it loads, on its own and under Kestrane.
TEST(StandInShell, SaysHowItIsUsedAndWhatItLacks) {
  ShellSession session;
  RunResult help = session.Run("beginPlugin", "end\n", {"--help"});
  EXPECT_EQ(help.exitCode, 0) << help.output;
  for (const char *named : {"--host-list", "waitfor MS TEXT", " GetCVWnd ", " CVTranscript "}) {
    EXPECT_NE(help.output.find(named), std::string::npos) << named << help.output;
  }
  RunResult typo = session.Run("beginPlugin", "end\n", {"-x"});
  EXPECT_EQ(typo.exitCode, 2) << typo.output;
  EXPECT_EQ(typo.output.rfind("corvane: unknown option -x", 0), 0u) << typo.output;
  EXPECT_NE(typo.output.find("--host-list"), std::string::npos) << typo.output;
  EXPECT_TRUE(typo.transcript.empty());

  const std::string missing = "missing shell function CVFlyToTheMoon imported by ";
  session.InstallPlugin("plugin_unknown_import", "odd.dll");
  session.UseKestraneAt("odd.dll");
  RunResult alone = session.Run("beginPlugin", "end\n");
  EXPECT_EQ(alone.exitCode, 3) << alone.Dump();
  EXPECT_EQ(alone.transcript, (std::vector<std::string>{"load \"odd.dll\"", missing + "\"odd.dll\"",
                                                        "load failed error=127", "alive"}));

  session.InstallKestrane();
  session.UseKestraneAt("Kestrane.dll");
  session.InstallPlugin("plugin_unknown_import", "plugins/odd/odd.dll");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\odd\\odd.dll\r\n");
  RunResult managed = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(managed.exitCode, 0) << managed.Dump();
  const int named = managed.Find(missing);
  ASSERT_NE(named, -1) << managed.Dump();
  EXPECT_NE(managed.transcript[named].find("\\\\plugins\\\\odd\\\\odd.dll\""), std::string::npos)
      << managed.transcript[named];
  EXPECT_NE(managed.Find("msgbox owner=wnd:0 caption=\"Kestrane - LINK ERROR!\"", named), -1)
      << managed.Dump();
  EXPECT_NE(managed.Find("alive"), -1);
}

TEST(ManagedPlugins, SlitStartHandsTheSlitToThoseThatTakeIt) {
  ShellSession session;
  InstallFive(session);
  RunResult run = session.Run("beginSlitPlugin", "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(run.PluginStartsAndEnds(),
            (std::vector<std::string>{
                "plugin a.dll beginPluginEx module=a.dll slit=wnd:CorvaneSlit",
                "plugin s.dll beginSlitPlugin module=s.dll slit=wnd:CorvaneSlit",
                "plugin e.dll beginPluginEx module=e.dll slit=wnd:CorvaneSlit",
                "plugin n.dll beginPluginEx module=n.dll slit=wnd:CorvaneSlit",
                "plugin a.dll endPlugin module=a.dll",
                "plugin s.dll endPlugin module=s.dll",
                "plugin e.dll endPlugin module=e.dll",
                "plugin n.dll endPlugin module=n.dll",
            }))
      << run.Dump();
  // After each start the plug-in is asked for its name, bro@ms and update site.
  int started = run.Find("plugin a.dll beginPluginEx");
  EXPECT_EQ(run.Find("plugin a.dll pluginInfo 8", started), started + 1) << run.Dump();
  EXPECT_NE(run.Find("plugin a.dll pluginInfo 10000", started), -1);
}

TEST(ManagedPlugins, LinkFailuresAreReportedAndTheRestStillRuns) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_noend", "plugins/x/x.dll");
  session.InstallPlugin("plugin_full", "plugins/ok/ok.dll");
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\gone\\gone.dll\r\nplugins\\x\\x.dll\r\nplugins\\ok\\ok.dll\r\n");
  RunResult run = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();

  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 3u) << run.Dump();
  const std::string folder = session.WindowsFolder();
  auto escaped = [](std::string s) {
    std::string e;
    for (char c : s) e += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return e;
  };
  EXPECT_NE(boxes[0].find("caption=\"Kestrane - LINK ERROR!\""), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[0].find("text=\"Could not link to plugin at...\\n\\n" +
                          escaped(folder + "plugins\\gone\\gone.dll") +
                          "\\n\\nThis plugin may not be compatible\\nwith your Shell or "
                          "Operating System.\""),
            std::string::npos)
      << boxes[0];
  // The library without endPlugin: once when the list is read, once when it is started.
  for (int i : {1, 2}) {
    EXPECT_NE(boxes[i].find("text=\"Could not link to plugin functions in...\\n\\n" +
                            escaped(folder + "plugins\\x\\x.dll") + "\""),
              std::string::npos)
        << boxes[i];
  }
  EXPECT_EQ(run.PluginStartsAndEnds(),
            (std::vector<std::string>{"plugin ok.dll beginPlugin module=ok.dll",
                                      "plugin ok.dll endPlugin module=ok.dll"}))
      << run.Dump();
  EXPECT_TRUE(run.Lines("plugin x.dll begin").empty());
}

TEST(ManagedPlugins, MissingListFileIsCreatedEmptyBesideKestrane) {
  ShellSession session;
  session.InstallKestrane("plugins/Kestrane/Kestrane.dll");
  session.WriteFile("plugins/Kestrane/Kestrane.rc", "Kestrane.plugin.PluginsRCFile: mine.rc\r\n");
  RunResult run = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(session.Exists("plugins/Kestrane/mine.rc"));
  EXPECT_EQ(session.ReadFile("plugins/Kestrane/mine.rc"), "");
  EXPECT_TRUE(run.Lines("msgbox").empty()) << run.Dump();
}

}  // namespace
}  // namespace kestrane::e2e
