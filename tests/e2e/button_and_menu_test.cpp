// The button, its menu and its commands, driven as a user and the shell would drive them.
#include <gtest/gtest.h>

#include <algorithm>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

// Three plug-ins: Alpha (running, with bro@ms and a window of its own), Beta (disabled) and
// Gamma (running).
void InstallThree(ShellSession &session) {
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll",
                        "1=Alpha\n2=1.0\n3=Ann\n4=2004-01-02\n7=@Alpha Show@Alpha Hide\n"
                        "begin=window\n");
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "1=Beta\n2=2.0\n3=Bob\n4=2004-03-04\n");
  session.InstallPlugin("plugin_noinfo", "plugins/c/c.dll");
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\a\\a.dll\r\n!plugins\\b\\b.dll\r\nplugins\\c\\c.dll\r\n");
}

std::string Setting(const ShellSession &session, const std::string &key) {
  std::string rc = session.ReadFile("Kestrane.rc");
  std::size_t at = rc.find(key + " ");
  if (at == std::string::npos) return "(missing)";
  std::size_t end = rc.find_first_of("\r\n", at);
  return rc.substr(at + key.size() + 1, end - at - key.size() - 1);
}

TEST(Button, RightClickShowsTheWholeMenuTree) {
  ShellSession session;
  InstallThree(session);
  RunResult run = session.Run("beginPlugin", "rclick Kestrane\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  int top = run.Find("menu \"Kestrane\" id=\"Kestrane_IDMain\" popup=1");
  ASSERT_NE(top, -1) << run.Dump();
  const std::vector<std::string> expectedTail = {
      "menu   nop \"\"",
      "menu   sub \"Toggle Plugins\"",
      "menu     item \"Alpha\" \"@KestraneInternal TogglePlugin 0\" checked=1",
      "menu     item \"b.dll\" \"@KestraneInternal TogglePlugin 1\" checked=0",
      "menu     item \"c.dll\" \"@KestraneInternal TogglePlugin 2\" checked=1",
      "menu   item \"Add Plugin\" \"@KestraneInternal AddPlugin\" checked=0",
      "menu   sub \"Remove Plugin\"",
      "menu     item \"Alpha\" \"@KestraneInternal RemovePlugin 0\" checked=0",
      "menu     item \"b.dll\" \"@KestraneInternal RemovePlugin 1\" checked=0",
      "menu     item \"c.dll\" \"@KestraneInternal RemovePlugin 2\" checked=0",
      "menu   nop \"\"",
      "menu   item \"Check For Updates\" \"@KestraneInternal CheckForUpdates\" checked=0",
      "menu   sub \"Update Plugin\"",
      "menu   nop \"\"",
      "menu   sub \"Slit Aid\"",
      "menu   nop \"\"",
      "menu   item \"About Plugins\" \"@KestraneInternal AboutPlugins\" checked=0",
      "menu   sub \"Plugin Bro@ms\"",
      "menu     sub \"Alpha\"",
      "menu       item \"@Alpha Show\" \"@KestraneInternal SendPluginBroam @Alpha Show\" checked=0",
      "menu       item \"@Alpha Hide\" \"@KestraneInternal SendPluginBroam @Alpha Hide\" checked=0",
      "menu   nop \"\"",
      "menu   item \"View Readme\" \"@KestraneInternal Edit Readme.txt\" checked=0",
      "menu   item \"About Kestrane\" \"@KestraneInternal About\" checked=0",
      "menu   item \"Edit Kestrane.rc\" \"@KestraneInternal Edit Kestrane.rc\" checked=0",
  };
  int tail = run.Find("menu   nop \"\"", top);
  ASSERT_NE(tail, -1);
  std::vector<std::string> got(
      run.transcript.begin() + tail,
      run.transcript.begin() +
          std::min<std::size_t>(run.transcript.size(), tail + expectedTail.size()));
  EXPECT_EQ(got, expectedTail) << run.Dump();
  EXPECT_EQ(run.transcript[top + 1], "menu   sub \"Configuration\"");
}

TEST(Button, PickedSettingsAreAnnouncedStoredAndApplied) {
  ShellSession session;
  session.InstallKestrane();
  RunResult run = session.Run("beginPlugin",
                              "rclick Kestrane\n"
                              "pick @KestraneInternal AlwaysOnTop\n"
                              "window Kestrane\n"
                              "pick @KestraneInternal TransparencyEnabled\n"
                              "pick @KestraneInternal TransparencyAlpha 300\n"
                              "pick @KestraneInternal ToggleWithPlugins\n"
                              "broam @CVHidePlugins\n"
                              "window Kestrane\n"
                              "pick @KestraneInternal ToggleWithPlugins\n"
                              "broam @CVHidePlugins\n"
                              "window Kestrane\n"
                              "broam @CVShowPlugins\n"
                              "window Kestrane\n"
                              "move Kestrane 200 150\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(run.Lines("status"),
            (std::vector<std::string>{"status \"Kestrane -> AlwaysOnTop disabled!\"",
                                      "status \"Kestrane -> TransparencyEnabled enabled!\"",
                                      "status \"Kestrane -> ToggleWithPlugins disabled!\"",
                                      "status \"Kestrane -> ToggleWithPlugins enabled!\""}))
      << run.Dump();
  auto windows = run.Lines("window wnd:Kestrane");
  ASSERT_EQ(windows.size(), 4u) << run.Dump();
  EXPECT_NE(windows[0].find("ex=0x00080080 "), std::string::npos) << windows[0];  // not top-most
  EXPECT_NE(windows[0].find("topmost=0"), std::string::npos) << windows[0];
  EXPECT_NE(windows[1].find("visible=1"), std::string::npos) << "Toggle With Plugins off";
  EXPECT_NE(windows[2].find("visible=0"), std::string::npos) << windows[2];
  EXPECT_NE(windows[3].find("visible=1"), std::string::npos) << windows[3];

  // Full alpha until transparency is on; then the low 8 bits of 300; the colour key always.
  auto layered = run.Lines("layered wnd:Kestrane");
  ASSERT_GE(layered.size(), 3u) << run.Dump();
  EXPECT_EQ(layered.front(), "layered wnd:Kestrane key=0x00E600FF alpha=255 flags=3");
  EXPECT_EQ(layered.back(), "layered wnd:Kestrane key=0x00E600FF alpha=44 flags=3");
  EXPECT_NE(std::find(layered.begin(), layered.end(),
                      "layered wnd:Kestrane key=0x00E600FF alpha=60 flags=3"),
            layered.end());

  EXPECT_EQ(Setting(session, "Kestrane.plugin.alwaysontop:"), "false");
  EXPECT_EQ(Setting(session, "Kestrane.plugin.transparency.enabled:"), "true");
  EXPECT_EQ(Setting(session, "Kestrane.plugin.transparency.alpha:"), "300");
  EXPECT_EQ(Setting(session, "Kestrane.plugin.togglewithplugins:"), "true");
  EXPECT_EQ(Setting(session, "Kestrane.plugin.x:"), "200");
  EXPECT_EQ(Setting(session, "Kestrane.plugin.y:"), "150");
}

TEST(Button, DocksAndUndocksThroughTheMenu) {
  ShellSession session;
  session.InstallKestrane();
  RunResult run = session.Run("beginSlitPlugin",
                              "rclick Kestrane\n"
                              "pick @KestraneInternal SlitToggle\n"
                              "window Kestrane\n"
                              "rclick Kestrane\n"  // docked: a client right click
                              "pick @KestraneInternal SlitToggle\n"
                              "window Kestrane\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_NE(run.Find("slit add wnd:Kestrane"), -1) << run.Dump();
  // The menu opened while docked shows the new state.
  int docked = run.Find("window wnd:Kestrane");
  int menu = run.Find("menu \"Kestrane\" id=\"Kestrane_IDMain\" popup=1", docked);
  ASSERT_NE(menu, -1) << run.Dump();
  EXPECT_EQ(
      run.Find("menu     item \"Docked to Slit\" \"@KestraneInternal SlitToggle\" checked=1", menu),
      menu + 2)
      << run.Dump();
  EXPECT_GT(run.Find("slit remove wnd:Kestrane"), run.Find("slit add wnd:Kestrane"));
  auto windows = run.Lines("window wnd:Kestrane");
  ASSERT_EQ(windows.size(), 2u) << run.Dump();
  EXPECT_NE(windows[0].find("parent=wnd:CorvaneSlit"), std::string::npos) << windows[0];
  EXPECT_EQ(windows[0].find("ex=0x0008"), std::string::npos) << "docked: not layered";
  EXPECT_NE(windows[1].find("parent=wnd:0"), std::string::npos) << windows[1];
  EXPECT_NE(windows[1].find(" x=10 y=10 "), std::string::npos) << windows[1];
  EXPECT_EQ(run.Lines("status"),
            (std::vector<std::string>{"status \"Kestrane -> SlitToggle enabled!\"",
                                      "status \"Kestrane -> SlitToggle disabled!\""}));
  EXPECT_EQ(Setting(session, "Kestrane.plugin.inSlit:"), "false");
}

TEST(Button, EditRunsTheShellsEditorOnTheFileBesideKestrane) {
  ShellSession session;
  session.InstallKestrane("plugins/Kestrane/Kestrane.dll");
  RunResult run =
      session.Run("beginPlugin", "rclick Kestrane\npick @KestraneInternal Edit Kestrane.rc\nend\n",
                  {"--editor", "C:\\tools\\myedit.exe"});
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto exec = run.Lines("exec");
  ASSERT_EQ(exec.size(), 1u) << run.Dump();
  EXPECT_NE(exec[0].find("file=\"C:\\\\tools\\\\myedit.exe\""), std::string::npos) << exec[0];
  EXPECT_NE(exec[0].find("\\\\plugins\\\\Kestrane\\\\Kestrane.rc\""), std::string::npos) << exec[0];
  EXPECT_NE(exec[0].find("show=1 quiet=0"), std::string::npos) << exec[0];
}

TEST(Plugins, ToggleRemoveAndReconfigureKeepTheListInStep) {
  ShellSession session;
  InstallThree(session);
  RunResult run = session.Run("beginPlugin",
                              "rclick Kestrane\n"
                              "pick @KestraneInternal TogglePlugin 0\n"
                              "pick @KestraneInternal TogglePlugin 1\n"
                              "pick @KestraneInternal RemovePlugin 2\n"
                              "reconfigure\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), "!plugins\\a\\a.dll\r\nplugins\\b\\b.dll\r\n");
  EXPECT_EQ(run.PluginStartsAndEnds(),
            (std::vector<std::string>{
                "plugin a.dll beginPlugin module=a.dll", "plugin c.dll beginPlugin module=c.dll",
                "plugin a.dll endPlugin module=a.dll",    // switched off
                "plugin b.dll beginPlugin module=b.dll",  // switched on
                "plugin c.dll endPlugin module=c.dll",    // removed
                "plugin b.dll endPlugin module=b.dll",    // reconfigure: all stop ...
                "plugin b.dll beginPlugin module=b.dll",  // ... and the enabled start
                "plugin b.dll endPlugin module=b.dll",    // shut-down
            }))
      << run.Dump();
}

TEST(Plugins, AddedThroughTheOpenFileDialog) {
  ShellSession session;
  InstallThree(session);
  session.InstallPlugin("plugin_full", "plugins/d/d.dll", "1=Delta\n");
  RunResult run = session.Run("beginPlugin", "dialog open " + session.WindowsFolder() +
                                                 "plugins\\d\\d.dll\n"
                                                 "rclick Kestrane\n"
                                                 "pick @KestraneInternal AddPlugin\n"
                                                 "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_NE(run.Find("dialog open \""), -1) << run.Dump();
  EXPECT_NE(run.Find("plugin d.dll beginPlugin module=d.dll"), -1) << run.Dump();
  EXPECT_EQ(
      session.ReadFile("KSTR_Plugins.rc"),
      "plugins\\a\\a.dll\r\n!plugins\\b\\b.dll\r\nplugins\\c\\c.dll\r\n\r\n!plugins\\d\\d.dll");
}

TEST(Plugins, AddedFromAFolderDeeperThanAHundredCharacters) {
  ShellSession session;
  session.InstallKestrane();
  const std::string deep = "plugins/" + std::string(60, 'd') + "/" + std::string(40, 'e');
  session.InstallPlugin("plugin_full", deep + "/deep.dll");
  std::string windowsPath = session.WindowsFolder() + deep + "\\deep.dll";
  for (char &c : windowsPath) c = c == '/' ? '\\' : c;
  ASSERT_GT(windowsPath.size(), 150u);
  RunResult run =
      session.Run("beginPlugin", "dialog open " + windowsPath +
                                     "\nrclick Kestrane\npick @KestraneInternal AddPlugin\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_NE(run.Find("plugin deep.dll beginPlugin"), -1) << run.Dump();
  std::string line = session.ReadFile("KSTR_Plugins.rc");
  EXPECT_EQ(line.substr(0, 11), "\r\n!plugins\\") << line;
  EXPECT_EQ(line.substr(line.size() - 9), "\\deep.dll") << line;
}

TEST(Plugins, AboutBoxesAndSendingAPluginsBroam) {
  ShellSession session;
  InstallThree(session);
  RunResult run = session.Run("beginPlugin",
                              "rclick Kestrane\n"
                              "pick @KestraneInternal AboutPlugins\n"
                              "broam @KestraneInternal PluginBroams 0\n"
                              "pick @KestraneInternal SendPluginBroam @Alpha Hide\n"
                              "broam @KestraneInternal SendPluginBroam @Notes Edit today.txt\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 2u) << run.Dump();
  // Each line of the box holds 99 characters: in a deep checkout the path is cut.
  const std::string cLine = (session.WindowsFolder() + "plugins\\c\\c.dll\n").substr(0, 99);
  std::string cText;
  for (char ch : cLine) {
    cText += ch == '\\'   ? std::string("\\\\")
             : ch == '\n' ? std::string("\\n")
                          : std::string(1, ch);
  }
  EXPECT_NE(boxes[0].find("caption=\"About Plugins...\" style=0x00000040"), std::string::npos)
      << boxes[0];
  EXPECT_NE(boxes[0].find("text=\"Alpha 1.0 by Ann (2004-01-02)\\n" + cText + "\""),
            std::string::npos)
      << boxes[0];
  EXPECT_NE(boxes[1].find("caption=\"Plugin Bro@ms...\""), std::string::npos) << boxes[1];
  EXPECT_NE(boxes[1].find("text=\"Alpha\\n\\n@Alpha Show\\n@Alpha Hide\\n\""), std::string::npos)
      << boxes[1];
  // The shell delivers the bro@m to every registered window, Alpha's among them.
  EXPECT_NE(run.Find("broam \"@Alpha Hide\""), -1) << run.Dump();
  EXPECT_NE(run.Find("plugin a.dll broam \"@Alpha Hide\""), -1) << run.Dump();
  // Only the first word names the command: a bro@m holding "Edit" opens no editor.
  EXPECT_NE(run.Find("plugin a.dll broam \"@Notes Edit today.txt\""), -1) << run.Dump();
  EXPECT_TRUE(run.Lines("exec").empty()) << run.Dump();
}

TEST(Screenshot, TheGearIsDrawnInTheStylesColours) {
  ShellSession session;
  session.InstallKestrane();
  RunResult run = session.Run("beginPlugin", "wait 200\nscreenshot Kestrane shot.bmp\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  Bitmap shot;
  ASSERT_TRUE(shot.Load(session.folder() + "/shot.bmp")) << run.Dump();
  ASSERT_EQ(shot.width, 25);
  ASSERT_EQ(shot.height, 25);
  const unsigned fill = 0x4A6FA5;          // the style's colour, at byte 16 of its record
  const unsigned outline = 0xD0E0F0;       // the colour of setting 13
  EXPECT_EQ(shot.Pixel(12, 12), fill);     // inside the gear
  EXPECT_EQ(shot.Pixel(12, 23), outline);  // the tip of the tooth pointing down
  EXPECT_EQ(shot.Pixel(20, 11), outline);  // the tip of the tooth pointing right
  int outlined = 0;
  for (int y = 1; y < 24; ++y) {
    for (int x = 1; x < 24; ++x) outlined += shot.Pixel(x, y) == outline;
  }
  EXPECT_GT(outlined, 40);
  // Outside the gear the style's gradient: darker towards the bottom.
  EXPECT_NE(shot.Pixel(3, 21), fill);
  EXPECT_LT(shot.Pixel(3, 21) & 0xFF, shot.Pixel(3, 3) & 0xFF);
  EXPECT_NE(shot.Pixel(21, 3), 0xFFFFFFu);  // no update mark: no update found
}

}  // namespace
}  // namespace kestrane::e2e
