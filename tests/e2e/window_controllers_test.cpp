// The window controllers acting on another program's windows (window_maker.exe), as the
// user and the shell drive them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

using States = std::map<std::string, std::string>;  // class -> "ex=... lwa=..."

// The maker's `report LABEL` lines.
States Report(const RunResult &run, const std::string &label) {
  States states;
  const std::string prefix = "maker state " + label + " ";
  for (const std::string &line : run.Lines(prefix)) {
    std::string rest = line.substr(prefix.size());
    std::size_t blank = rest.find(' ');
    states[rest.substr(0, blank)] = rest.substr(blank + 1);
  }
  return states;
}

// The lines starting with `prefix` between the first line starting with `from` and the next
// one starting with `to`, sorted: a pass visits windows in z-order.
std::vector<std::string> Between(const RunResult &run, const std::string &from,
                                 const std::string &to, const std::string &prefix) {
  int begin = run.Find(from);
  int end = begin < 0 ? -1 : run.Find(to, begin + 1);
  std::vector<std::string> lines;
  if (begin < 0 || end < 0) return {"(no " + from + " ... " + to + ")"};
  for (int i = begin + 1; i < end; ++i) {
    if (run.transcript[i].rfind(prefix, 0) == 0) lines.push_back(run.transcript[i]);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Rc(const std::vector<std::pair<std::string, std::string>> &settings) {
  std::string rc;
  for (const auto &[key, value] : settings) rc += "Kestrane.plugin." + key + ": " + value + "\r\n";
  return rc;
}

std::string Report(const std::string &label) {
  return "tell WindowMaker report " + label + "\nawait maker done report " + label + "\n";
}

TEST(Transparency, ListedWindowsOfEveryKindAreTranslucentAndComeBackExactly) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/p/p.dll", "1=P\nbegin=window\n");
  session.WriteFile("KSTR_Plugins.rc", "!plugins\\p\\p.dll\r\n");
  session.WriteFile("Kestrane.rc", Rc({{"GlobalTransparency", "true"},
                                       {"GlobTransAlpha", "128"},
                                       {"transClass0", "Plain"},
                                       {"transClass1", "Keyed"},
                                       {"transClass2", "OwnAlpha"},
                                       {"transClass3", "PerPixel"},
                                       {"transClass4", "Frame"},
                                       {"transClass5", "Late"},
                                       {"transClass6", "PluginTest_p"}}));
  RunResult run = session.Run(
      "beginPlugin",
      "run " + session.WindowMaker() +
          " open Plain plain 10 300 ; open Keyed keyed 180 300 ; open OwnAlpha alpha 350 300"
          " ; open PerPixel perpixel 520 300 ; open Frame textbox 690 300 ; report before\n"
          "await maker ready\n" +
          Report("start") +
          "tell WindowMaker open Late plain 10 500\n"
          "await layered wnd:Late\n"
          "broam @KestraneInternal TogglePlugin 0\n"
          "window PluginTest_p\n"
          "broam @KestraneInternal GlobalTransEnabled\n"
          "window PluginTest_p\n" +
          Report("off") +
          "broam @KestraneInternal GlobalTransEnabled\n"
          "broam @KestraneInternal GlobalTransAdjust 255\n" +
          Report("opaque") +
          "broam @KestraneInternal GlobalTransAdjust 128\n"
          "broam @KestraneInternal GlobalTransRem 0\n" +
          Report("removed") + "end\n" + Report("after"));
  ASSERT_EQ(run.exitCode, 0) << run.Dump();

  const States before = Report(run, "before");
  ASSERT_EQ(before.size(), 5u) << run.Dump();
  EXPECT_EQ(before.at("Keyed"), "ex=0x00080000 lwa=flags=1,key=0x00000000");
  EXPECT_EQ(before.at("PerPixel"), "ex=0x00080000 lwa=none");

  // At start-up: what Kestrane asked for, and what each window's own process sees.
  std::vector<std::string> layered =
      Between(run, "maker ready", "start beginPlugin", "layered wnd:");
  layered.erase(std::remove_if(layered.begin(), layered.end(),
                               [](const std::string &line) {
                                 return line.rfind("layered wnd:Kestrane ", 0) == 0;
                               }),
                layered.end());
  EXPECT_EQ(layered, (std::vector<std::string>{
                         "layered wnd:Frame key=0x00000000 alpha=128 flags=2",
                         "layered wnd:Keyed key=0x00000000 alpha=128 flags=3",  // black key kept
                         "layered wnd:OwnAlpha key=0x00000000 alpha=128 flags=2",
                         "layered wnd:Plain key=0x00000000 alpha=128 flags=2",
                     }))
      << run.Dump();
  States start = Report(run, "start");
  EXPECT_EQ(start["Plain"], "ex=0x00080000 lwa=flags=2,alpha=128");
  EXPECT_EQ(start["Keyed"], "ex=0x00080000 lwa=flags=3,key=0x00000000,alpha=128");
  EXPECT_EQ(start["OwnAlpha"], "ex=0x00080000 lwa=flags=2,alpha=128");
  EXPECT_EQ(start["PerPixel"], before.at("PerPixel")) << "drawn per pixel: never touched";
  EXPECT_EQ(start["Frame"], "ex=0x00080000 lwa=flags=2,alpha=128");
  EXPECT_EQ(run.Find("layered wnd:PerPixel"), -1);

  // A window opened later, through the creation hook; a plug-in's, through the pass after it
  // started.
  EXPECT_NE(run.Find("layered wnd:Late key=0x00000000 alpha=128 flags=2"), -1);
  int plugin = run.Find("plugin p.dll beginPlugin");
  ASSERT_NE(plugin, -1) << run.Dump();
  EXPECT_NE(run.Find("layered wnd:PluginTest_p key=0x00000000 alpha=128 flags=2", plugin), -1)
      << run.Dump();
  auto pluginWindow = run.Lines("window wnd:PluginTest_p ex=");
  ASSERT_EQ(pluginWindow.size(), 2u) << run.Dump();
  auto layeredBit = [](const std::string &line) {
    return std::stoul(line.substr(line.find("ex=") + 3, 10), nullptr, 16) & 0x80000;
  };
  EXPECT_NE(layeredBit(pluginWindow[0]), 0u);
  EXPECT_EQ(layeredBit(pluginWindow[1]), 0u) << "given back when the controller went off";

  States expected = before;
  expected["Late"] = "ex=0x00000000 lwa=none";
  EXPECT_EQ(Report(run, "off"), expected) << "controller off";
  EXPECT_EQ(Report(run, "opaque"), expected) << "alpha 255";
  States removed = Report(run, "removed");
  EXPECT_EQ(removed["Plain"], before.at("Plain")) << "its class removed";
  EXPECT_EQ(removed["Keyed"], start["Keyed"]) << "still listed";
  EXPECT_EQ(Report(run, "after"), expected) << "shut-down";
}

// The `timing WHAT N us` lines of --timing, in milliseconds.
std::vector<long> TimingsMs(const RunResult &run, const std::string &what) {
  std::vector<long> ms;
  for (const std::string &line : run.Lines("timing " + what + " ")) {
    ms.push_back(std::stol(line.substr(8 + what.size())) / 1000);
  }
  return ms;
}

// Changing a window waits for its program's thread: a program that stops taking messages must
// hold up nothing. Waking hangs through start-up for 8 s, then answers; Stuck is made
// translucent, then hangs for 40 s, through a command and shut-down.
TEST(Transparency, AHungProgramHoldsUpNeitherStartUpNorCommandsNorShutDown) {
  ShellSession session;
  session.InstallKestrane();
  session.WriteFile("Kestrane.rc", Rc({{"GlobalTransparency", "true"},
                                       {"GlobTransAlpha", "128"},
                                       {"transClass0", "Stuck"},
                                       {"transClass1", "Waking"}}));
  const std::string maker = session.WindowMaker();
  std::string script = "run " + maker + " --name StuckMaker open Stuck plain 10 300\n";
  script += "await maker ready\n";
  script += "run " + maker + " open Waking plain 200 300 ; report before ; hang 8000\n";
  script += "await maker hanging 8000\n";
  script += "tell StuckMaker hang 40000\n";
  script += "await maker hanging 40000\n";
  script += "broam @KestraneInternal GlobalTransAdjust 100\n";
  script += "await maker done hang 8000\n";
  script += "broam @KestraneInternal GlobalTransAdjust 90\n";
  script += Report("answering") + "end\n" + Report("after");
  RunResult run = session.Run("beginPlugin", script, {"--timing"});
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  const long kMostMs = 5000;
  std::vector<long> start = TimingsMs(run, "start"), end = TimingsMs(run, "end");
  std::vector<long> broams = TimingsMs(run, "broam");
  ASSERT_EQ(start.size(), 1u) << run.Dump();
  ASSERT_EQ(end.size(), 1u) << run.Dump();
  ASSERT_EQ(broams.size(), 2u) << run.Dump();
  EXPECT_LT(start[0], kMostMs) << run.Dump();
  EXPECT_LT(broams[0], kMostMs) << run.Dump();
  EXPECT_LT(end[0], kMostMs) << run.Dump();

  EXPECT_LT(run.Find("layered wnd:Stuck key=0x00000000 alpha=128 flags=2"),
            run.Find("start beginPlugin"));
  int answered = run.Find("maker done hang 8000");
  ASSERT_NE(answered, -1) << run.Dump();
  EXPECT_EQ(run.Find("layered wnd:Waking"),
            run.Find("layered wnd:Waking key=0x00000000 alpha=90 flags=2", answered))
      << "left alone while it hung, translucent by the next pass" << run.Dump();
  EXPECT_EQ(run.Find("layered wnd:Stuck", run.Find("start beginPlugin")), -1) << run.Dump();
  EXPECT_EQ(Report(run, "answering").at("Waking"), "ex=0x00080000 lwa=flags=2,alpha=90");
  EXPECT_EQ(Report(run, "after"), Report(run, "before")) << "given back exactly";
}

// A 32-bit shell on 64-bit Windows, where nearly every other program is 64-bit: their windows
// are controlled and their programs known by their path, as 32-bit ones are.
TEST(Transparency, ProgramsBuiltFor64BitWindowsAreControlledAndKnownByTheirPath) {
  ShellSession session;
  session.InstallKestrane();
  const std::string maker64 = session.WindowMaker64();
  ASSERT_FALSE(maker64.empty()) << "build the win64 preset first: no 64-bit window_maker.exe";
  const std::string inside64 = session.InstallWindowMaker64("tools/window_maker.exe");
  session.WriteFile("Kestrane.rc", Rc({{"GlobalTransparency", "true"},
                                       {"GlobTransAlpha", "128"},
                                       {"menuclipper.enabled", "true"},
                                       {"transClass0", "Plain64"},
                                       {"transClass1", "Keyed64"},
                                       {"transClass2", "Sentinel64"}}));
  std::string script = "run " + maker64 +
                       " open Plain64 plain 10 300 ; open Keyed64 keyed 180 300" +
                       " ; report before\n" + "await maker ready\n";
  script += "run " + inside64 + " --name InsideMaker open Inner plain 350 300\n";
  script += "await maker ready\n";
  script += "tell InsideMaker foreground Inner\n";
  script += "await maker done foreground Inner\n";
  script += "tell WindowMaker foreground Plain64\n";
  script += "await hidemenus\n";
  // The creation hook's answer to a later window marks when every event before it was handled.
  script += "tell WindowMaker open Sentinel64 plain 10 500\n";
  script += "await layered wnd:Sentinel64\n";
  RunResult run = session.Run("beginPlugin", script + Report("start") + "end\n" + Report("after"));
  ASSERT_EQ(run.exitCode, 0) << run.Dump();

  const States before = Report(run, "before");
  ASSERT_EQ(before.size(), 2u) << run.Dump();
  States start = Report(run, "start");
  EXPECT_EQ(start["Plain64"], "ex=0x00080000 lwa=flags=2,alpha=128") << run.Dump();
  EXPECT_EQ(start["Keyed64"], "ex=0x00080000 lwa=flags=3,key=0x00000000,alpha=128");
  States after = Report(run, "after");
  after.erase("Sentinel64");
  EXPECT_EQ(after, before) << "given back exactly";
  EXPECT_EQ(run.Lines("hidemenus").size(), 1u)
      << "none for the copy inside the shell folder" << run.Dump();
}

TEST(Sticky, ListedWindowsOfAnotherProgramFollowTheController) {
  ShellSession session;
  session.InstallKestrane();
  session.WriteFile("Kestrane.rc", Rc({{"GlobalSticky", "true"},
                                       {"stickyClass0", "StickyA"},
                                       {"stickyClass1", "StickyB"},
                                       {"stickyClass2", "StickyC"}}));
  RunResult run =
      session.Run("beginPlugin", "run " + session.WindowMaker() +
                                     " open StickyA plain 10 300 ; open StickyB plain 200 300"
                                     " ; open Other plain 400 300\n"
                                     "await maker ready\n"
                                     "tell WindowMaker open StickyC plain 10 500\n"
                                     "await sticky add wnd:StickyC\n"
                                     "broam @KestraneInternal GlobalStickyEnabled\n"
                                     "broam @KestraneInternal GlobalStickyEnabled\n"
                                     "broam @KestraneInternal GlobalStickyRem 1\n"
                                     "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  const std::string a = "wnd:StickyA", b = "wnd:StickyB", c = "wnd:StickyC";
  using Lines = std::vector<std::string>;
  EXPECT_EQ(Between(run, "load ", "start beginPlugin", "sticky add wnd:Sticky"),
            (Lines{"sticky add " + a, "sticky add " + b}))
      << run.Dump();
  EXPECT_EQ(Between(run, "start beginPlugin", "broam", "sticky "), (Lines{"sticky add " + c}));
  EXPECT_EQ(Between(run, "broam", "status \"Kestrane -> GlobalStickyEnabled enabled", "sticky "),
            (Lines{"sticky remove " + a, "sticky remove " + b, "sticky remove " + c}));
  EXPECT_EQ(Between(run, "status \"Kestrane -> GlobalStickyEnabled enabled", "broam", "sticky "),
            (Lines{"sticky add " + a, "sticky add " + b, "sticky add " + c}));
  EXPECT_EQ(Between(run, "broam \"@KestraneInternal GlobalStickyRem 1\"", "end", "sticky "),
            (Lines{"sticky add " + a, "sticky add " + c, "sticky remove " + a, "sticky remove " + b,
                   "sticky remove " + c}));
  EXPECT_EQ(Between(run, "end", "unloaded", "sticky add wnd:Sticky"), Lines{});
  EXPECT_EQ(Between(run, "end", "unloaded", "sticky remove wnd:Sticky"),
            (Lines{"sticky remove " + a, "sticky remove " + c}));
  EXPECT_EQ(run.Find("sticky add wnd:Other"), -1);
}

TEST(ClassCapture, SpaceRecordsTheClassUnderTheCursorInTheFirstFreeSlot) {
  ShellSession session;
  session.InstallKestrane();
  session.WriteFile(
      "Kestrane.rc",
      Rc({{"transClass0", "Used0"}, {"transClass1", "Used1"}, {"transClass3", "Used3"}}));
  const std::string transText = "it's list of window classes to apply transparency to :)";
  RunResult run = session.Run(
      "beginPlugin", "run " + session.WindowMaker() +
                         " open Plain plain 10 300 ; open Frame textbox 200 300"
                         " ; open Other plain 400 300\n"
                         "await maker ready\n"
                         "broam @KestraneInternal GlobalStickyAdd\n"
                         "broam @KestraneInternal GlobalTransAdd\n"  // armed anew, for its list
                         "tell WindowMaker press altspace Other\n"
                         "await maker done press altspace\n"
                         "tell WindowMaker press space Frame\n"
                         "await WriteString\n"
                         "broam @KestraneInternal GlobalStickyAdd\n"
                         "tell WindowMaker press escape Plain\n"
                         "await maker done press escape\n"
                         "tell WindowMaker press space Plain\n"
                         "await maker done press space Plain\n"
                         "broam @KestraneInternal GlobalStickyAdd\n"  // armed anew
                         "tell WindowMaker press space Plain\n"
                         "await WriteString\n"
                         "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 4u) << run.Dump();
  EXPECT_NE(boxes[0].find("list of window classes to make sticky :)"), std::string::npos);
  EXPECT_NE(boxes[1].find("caption=\"Kestrane 0.7b\" style=0x00040040 text=\"The next time you "
                          "press the space bar (after closing\\nthis message)"),
            std::string::npos)
      << boxes[1];
  EXPECT_NE(boxes[1].find(transText), std::string::npos) << boxes[1];
  // The text box's class, not its frame's; nothing for Alt+space or after Escape.
  std::vector<std::string> writes;
  for (const std::string &line : run.Lines("WriteString ")) {
    writes.push_back(line.substr(line.find("\"Kestrane.plugin.")));
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"\"Kestrane.plugin.transClass2:\" \"Edit\"",
                                              "\"Kestrane.plugin.stickyClass0:\" \"Plain\""}))
      << run.Dump();
  std::string rc = session.ReadFile("Kestrane.rc");
  EXPECT_NE(rc.find("Kestrane.plugin.transClass2: Edit"), std::string::npos) << rc;
  EXPECT_EQ(run.Find("layered wnd:Edit"), -1) << "the controller is off";
}

TEST(ClassCapture, FullListAndShutDownLeaveNoHookBehind) {
  ShellSession session;
  session.InstallKestrane();
  std::vector<std::pair<std::string, std::string>> full = {{"menuclipper.enabled", "true"},
                                                           {"GlobalTransparency", "true"}};
  for (int i = 0; i < 50; ++i) full.push_back({"stickyClass" + std::to_string(i), "Full"});
  session.WriteFile("Kestrane.rc", Rc(full));
  RunResult run = session.Run("beginPlugin",
                              "run " + session.WindowMaker() +
                                  " open Plain plain 10 300\n"
                                  "await maker ready\n"
                                  "broam @KestraneInternal GlobalStickyAdd\n"
                                  "tell WindowMaker press space Plain\n"
                                  "await You have filled\n"
                                  "broam @KestraneInternal GlobalTransAdd\n"
                                  "end\n"  // armed, with the clipper and creation hooks on
                                  "tell WindowMaker press space Plain\n"
                                  "await maker done press space\n"
                                  "tell WindowMaker foreground Plain\n"
                                  "await maker done foreground\n"
                                  "tell WindowMaker open Late plain 10 500\n"
                                  "await maker done open\n"
                                  "wait 300\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 3u) << run.Dump();
  EXPECT_NE(boxes[1].find("caption=\"Kestrane 0.7b\" style=0x00040010 "
                          "text=\"You have filled all the available slots!\""),
            std::string::npos)
      << boxes[1];
  EXPECT_TRUE(run.Lines("WriteString").empty()) << run.Dump();
  int unloaded = run.Find("unloaded");
  EXPECT_EQ(run.Find("hidemenus", unloaded), -1) << run.Dump();
  EXPECT_EQ(run.Find("crash"), -1) << run.Dump();
  EXPECT_EQ(run.transcript.back(), "alive") << run.Dump();
}

TEST(MenuClipper, HidesMenusOnlyForProgramsOutsideTheShellFolder) {
  ShellSession session;
  session.InstallKestrane();
  ASSERT_GT(session.WindowsFolder().size(), 49u) << "the shell folder must be a deep one";
  session.WriteFile("Kestrane.rc", Rc({{"GlobalTransparency", "true"},
                                       {"transClass0", "Sentinel1"},
                                       {"transClass1", "Sentinel2"}}));
  const std::string inside = session.InstallWindowMaker("tools/window_maker.exe");
  std::string script = "run " + session.WindowMaker() + " open Outer plain 10 300\n";
  script += "await maker ready\n";
  script += "run " + inside + " --name InsideMaker open Inner plain 200 300\n";
  script += "await maker ready\n";
  script += "broam @KestraneInternal MenuClipperEnabled\n";
  script += "tell InsideMaker foreground Inner\n";
  script += "await maker done foreground Inner\n";
  script += "tell WindowMaker foreground Outer\n";
  script += "await hidemenus\n";
  script += "reconfigure\n";  // finds the clipper on: it must not add a second hook
  // The creation hook's answer to a later window of the same program marks when every event
  // before it has been handled.
  script += "tell WindowMaker foreground Outer\n";
  script += "tell WindowMaker open Sentinel1 plain 10 500\n";
  script += "await layered wnd:Sentinel1\n";
  script += "broam @KestraneInternal MenuClipperEnabled\n";
  script += "tell WindowMaker foreground Outer\n";
  script += "tell WindowMaker open Sentinel2 plain 200 500\n";
  script += "await layered wnd:Sentinel2\n";
  RunResult run = session.Run("beginPlugin", script + "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  // One for each foreground change to Outer while the clipper is on, none for the program
  // inside the shell folder.
  EXPECT_EQ(run.Lines("hidemenus").size(), 2u) << run.Dump();
  int reconfigure = run.Find("reconfigure -> ");
  EXPECT_LT(run.Find("hidemenus"), reconfigure);
  EXPECT_GT(run.Find("hidemenus", reconfigure), reconfigure);
  int off = run.Find("status \"Kestrane -> MenuClipperEnabled disabled!\"");
  ASSERT_NE(off, -1) << run.Dump();
  EXPECT_EQ(run.Find("hidemenus", off), -1) << run.Dump();
}

}  // namespace
}  // namespace kestrane::e2e
