// Hosted plug-ins that fault, or end the shell's process, among sound ones: the real DLL in
// corvane.exe under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

const std::string kBox = "msgbox owner=wnd:0 caption=\"Kestrane 0.7b\" style=";
const std::string kError = "0x00040010", kQuestion = "0x00040044";

// The fault box as the transcript quotes it, up to the exception's location.
std::string FaultBox(const std::string &dll, const std::string &call, const std::string &code) {
  return kBox + kError + " text=\"" + dll + " faulted in " + call +
         " and was switched off.\\n\\nException 0x" + code + " ";
}

const std::string kFaultBoxEnd =
    ".\\nIts line stays in the plugin list, disabled; \\\"Toggle Plugins\\\" starts it "
    "again.\" -> ok";

// The lines the test plug-in `dll` wrote from `from` on.
std::vector<std::string> CallsOf(const RunResult &run, const std::string &dll, int from = 0) {
  std::vector<std::string> calls;
  for (int i = from; i < static_cast<int>(run.transcript.size()); ++i) {
    if (run.transcript[i].rfind("plugin " + dll + " ", 0) == 0) {
      calls.push_back(run.transcript[i].substr(8 + dll.size()));
    }
  }
  return calls;
}

// Every entry point and kind of exception, between two sound plug-ins; then a toggle, About
// Plugins, a reconfigure, a removal and shut-down with faulting plug-ins about.
TEST(PluginFaults, TheShellSurvivesThemAndOnlyTheFaultyOnesAreSwitchedOff) {
  ShellSession session;
  session.InstallKestrane();
  const char *info = "1=Sound\n2=1.0\n3=Ann\n4=2004\n";
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", info);
  session.InstallPlugin("plugin_full", "plugins/f/f.dll", "begin=fault\n");
  session.InstallPlugin("plugin_slit", "plugins/s/s.dll", "begin=divide\n");
  session.InstallPlugin("plugin_slit", "plugins/p/p.dll", "begin=recurse\n");
  session.InstallPlugin("plugin_full", "plugins/q/q.dll", "begin=recurse\n");
  session.InstallPlugin("plugin_full", "plugins/t/t.dll", "begin=throw\n");
  session.InstallPlugin("plugin_full", "plugins/i/i.dll", "begin=illegal\n");
  session.InstallPlugin("plugin_full", "plugins/v/v.dll", "begin=privileged\n");
  session.InstallPlugin("plugin_full", "plugins/n/n.dll", "info=8 fault\n");
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "info=1 badtext\n");
  session.InstallPlugin("plugin_full", "plugins/e/e.dll", "end=fault\n");
  session.InstallPlugin("plugin_full", "plugins/x/x.dll", "end=divide\n");
  session.InstallPlugin("plugin_full", "plugins/z/z.dll", info);
  const std::string list =
      "plugins\\a\\a.dll\r\nplugins\\f\\f.dll\r\n&plugins\\s\\s.dll\r\nplugins\\p\\p.dll\r\n"
      "plugins\\q\\q.dll\r\nplugins\\t\\t.dll\r\nplugins\\i\\i.dll\r\nplugins\\v\\v.dll\r\n"
      "plugins\\n\\n.dll\r\nplugins\\b\\b.dll\r\nplugins\\e\\e.dll\r\n!plugins\\x\\x.dll\r\n"
      "plugins\\z\\z.dll\r\n";
  session.WriteFile("KSTR_Plugins.rc", list);
  RunResult run = session.Run("beginSlitPlugin",
                              "broam @KestraneInternal TogglePlugin 1\n"
                              "broam @KestraneInternal AboutPlugins\n"
                              "reconfigure\n"
                              "broam @KestraneInternal RemovePlugin 2\n"
                              "broam @KestraneInternal TogglePlugin 11\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  ASSERT_NE(run.Find("alive"), -1) << run.Dump();

  struct Expected {
    std::string dll, call, code;
    bool inside;  // the exception's address lies in the plug-in's library
  };
  const Expected boxes[] = {
      {"f.dll", "beginPluginEx", "C0000005", true},
      {"s.dll", "beginSlitPlugin", "C0000094", true},
      {"p.dll", "beginPlugin", "C00000FD", true},
      {"q.dll", "beginPluginEx", "C00000FD", true},
      {"t.dll", "beginPluginEx", "E06D7363", false},  // raised in the system's RaiseException
      {"i.dll", "beginPluginEx", "C000001D", true},
      {"v.dll", "beginPluginEx", "C0000096", true},
      {"n.dll", "pluginInfo", "C0000005", true},
      {"b.dll", "pluginInfo", "C0000005", false},    // its answer's bad pointer, never read
      {"f.dll", "beginPluginEx", "C0000005", true},  // toggled on again
      {"e.dll", "endPlugin", "C0000005", true},      // at the reconfigure
  };
  std::vector<std::string> shown = run.Lines("msgbox");
  ASSERT_EQ(shown.size(), std::size(boxes) + 1) << run.Dump();  // and About Plugins
  for (std::size_t i = 0, b = 0; i < shown.size(); ++i) {
    if (shown[i].find("caption=\"About Plugins...\"") != std::string::npos) continue;
    const Expected &e = boxes[b++];
    std::string start = FaultBox(e.dll, e.call, e.code);
    ASSERT_EQ(shown[i].substr(0, start.size()), start) << run.Dump();
    std::string where = shown[i].substr(start.size());
    std::regex location(e.inside ? "at " + e.dll + "\\+0x[1-9A-F][0-9A-F]*"
                                 : "in a module Kestrane does not host: 0x[0-9A-F]{8,16}");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(where, match, location)) << shown[i];
    EXPECT_EQ(match.position(0), 0) << shown[i];
    EXPECT_EQ(where.substr(match.length(0)), kFaultBoxEnd) << shown[i];
  }

  // A fault in a begin function or pluginInfo gets one endPlugin, then no call.
  EXPECT_EQ(CallsOf(run, "f.dll"),
            (std::vector<std::string>{
                "beginPluginEx module=f.dll slit=wnd:CorvaneSlit", "endPlugin module=f.dll",
                "beginPluginEx module=f.dll slit=wnd:CorvaneSlit", "endPlugin module=f.dll"}))
      << run.Dump();
  EXPECT_EQ(CallsOf(run, "n.dll"),
            (std::vector<std::string>{"beginPluginEx module=n.dll slit=wnd:CorvaneSlit",
                                      "pluginInfo 8", "endPlugin module=n.dll"}));
  EXPECT_EQ(CallsOf(run, "b.dll"),
            (std::vector<std::string>{"beginPluginEx module=b.dll slit=wnd:CorvaneSlit",
                                      "pluginInfo 8", "pluginInfo 1", "endPlugin module=b.dll"}));
  // The rest: nothing after the start but that endPlugin. p and q overflow the stack in turn:
  // the second overflow is caught as the first was.
  for (const char *dll : {"s.dll", "p.dll", "q.dll", "t.dll", "i.dll", "v.dll"}) {
    std::vector<std::string> calls = CallsOf(run, dll);
    ASSERT_EQ(calls.size(), 2u) << dll << run.Dump();
    EXPECT_EQ(calls[1], std::string("endPlugin module=") + dll);
  }
  // About Plugins lists the sound ones and e, still running then.
  const int about = run.Find("msgbox owner=wnd:0 caption=\"About Plugins...\"");
  ASSERT_NE(about, -1) << run.Dump();
  EXPECT_NE(run.transcript[about].find("text=\"Sound 1.0 by Ann (2004)\\nunknown unknown by "
                                       "unknown (unknown)\\nSound 1.0 by Ann (2004)\\n\""),
            std::string::npos)
      << run.transcript[about];
  // endPlugin faulted at the reconfigure: no second one, no restart. Its library stays loaded.
  EXPECT_EQ(CallsOf(run, "e.dll", about), (std::vector<std::string>{"endPlugin module=e.dll"}));
  // Shut-down: x faults in endPlugin without a box; the sound ones end and leave the process.
  EXPECT_EQ(CallsOf(run, "x.dll").back(), "endPlugin module=x.dll");
  for (const char *dll : {"a.dll", "z.dll"}) {
    EXPECT_EQ(CallsOf(run, dll, run.Find("end")),
              (std::vector<std::string>{std::string("endPlugin module=") + dll, "unloaded"}))
        << run.Dump();
  }
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"),
            "plugins\\a\\a.dll\r\n!plugins\\f\\f.dll\r\n!plugins\\p\\p.dll\r\n"
            "!plugins\\q\\q.dll\r\n!plugins\\t\\t.dll\r\n!plugins\\i\\i.dll\r\n"
            "!plugins\\v\\v.dll\r\n!plugins\\n\\n.dll\r\n!plugins\\b\\b.dll\r\n"
            "!plugins\\e\\e.dll\r\nplugins\\x\\x.dll\r\nplugins\\z\\z.dll\r\n");
  EXPECT_FALSE(session.Exists("KSTR_Plugins.rc.journal"));
}

// The box names the library whose code raised the fault: b's window, reached by a bro@m a's
// begin sent (which cuts that begin short), and c's, reached by SendPluginBroam; a runs on. What is
// no fault passes on: a's notice comes back to its own filter, and a 10901 pointing at a guard page
// leaves it armed.
TEST(PluginFaults, TheLibraryWhoseCodeFaultedIsSwitchedOff) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "begin=window\n");
  session.InstallPlugin("plugin_full", "plugins/a/a.dll",
                        "begin=window\nbegin=notice\nbegin=broam @test.fault b.dll\n");
  session.InstallPlugin("plugin_full", "plugins/c/c.dll", "begin=window\n");
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\b\\b.dll\r\nplugins\\a\\a.dll\r\nplugins\\c\\c.dll\r\n");
  RunResult run = session.Run("beginPlugin",
                              "broam @KestraneInternal SendPluginBroam @test.fault c.dll\n"
                              "broam @test.guardpage\nwait 200\nbroam @test.guardcheck\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  ASSERT_NE(run.Find("alive"), -1) << run.Dump();
  std::vector<std::string> shown = run.Lines("msgbox");
  ASSERT_EQ(shown.size(), 2u) << run.Dump();
  const std::string blamed[][2] = {{"b.dll", "beginPlugin of a.dll"}, {"c.dll", "SendPluginBroam"}};
  for (int i = 0; i < 2; ++i) {
    const std::string start =
        FaultBox(blamed[i][0], blamed[i][1], "C0000005") + "at " + blamed[i][0] + "+0x";
    EXPECT_EQ(shown[i].substr(0, start.size()), start) << shown[i];
  }
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"),
            "!plugins\\b\\b.dll\r\nplugins\\a\\a.dll\r\n!plugins\\c\\c.dll\r\n");
  std::vector<std::string> a = CallsOf(run, "a.dll");
  for (const char *line : {"notice -> continued", "guard page -> posted", "guard page -> armed"}) {
    EXPECT_NE(std::find(a.begin(), a.end(), line), a.end()) << line << run.Dump();
  }
  EXPECT_EQ(std::vector<std::string>(a.end() - 2, a.end()),
            (std::vector<std::string>{"endPlugin module=a.dll", "unloaded"}));
}

// A plug-in's begin opens About Plugins, whose box runs the message the plug-in posted itself,
// which faults: the box is given up, the plug-in switched off, and Kestrane's frames are left
// whole, so that the start goes on and the shell unloads Kestrane at its end.
TEST(PluginFaults, AFaultInABoxOpenedFromABeginLeavesKestraneWhole) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll",
                        "begin=window\nbegin=postfault\n"
                        "begin=broam @KestraneInternal AboutPlugins\n");
  session.InstallPlugin("plugin_full", "plugins/z/z.dll");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\nplugins\\z\\z.dll\r\n");
  RunResult run = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  ASSERT_NE(run.Find("alive"), -1) << run.Dump();
  EXPECT_EQ(run.Find("library still loaded"), -1) << run.Dump();
  std::vector<std::string> shown = run.Lines("msgbox");
  ASSERT_EQ(shown.size(), 1u) << run.Dump();
  const std::string start =
      FaultBox("a.dll", "the message loop of a box", "C0000005") + "at a.dll+0x";
  EXPECT_EQ(shown[0].substr(0, start.size()), start) << shown[0];
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), "!plugins\\a\\a.dll\r\nplugins\\z\\z.dll\r\n");
  EXPECT_EQ(run.PluginStartsAndEnds(),
            (std::vector<std::string>{
                "plugin a.dll beginPlugin module=a.dll", "plugin a.dll endPlugin module=a.dll",
                "plugin z.dll beginPlugin module=z.dll", "plugin z.dll endPlugin module=z.dll"}))
      << run.Dump();
}

// ExitProcess in a begin function, and a C++ exception a MinGW-built plug-in throws out of it,
// which no guard sees (its own runtime finds no handler and aborts): the first start ends the
// shell, the second skips the plug-in with a box, the third starts the rest as usual.
TEST(PluginFaults, APluginThatEndsTheShellWhileStartingIsSkippedNextTime) {
  const struct {
    const char *action;
    int exitCode;
    const char *said;  // on the shell's standard error
  } ways[] = {{"exit", 9, ""}, {"cppthrow", 3, "terminate called after throwing"}};
  for (const auto &way : ways) {
    ShellSession session;
    session.InstallKestrane();
    session.InstallPlugin("plugin_full", "plugins/a/a.dll");
    session.InstallPlugin("plugin_full", "plugins/d/d.dll", std::string("begin=") + way.action);
    session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\nPlugins\\D\\d.dll\r\n");

    RunResult first = session.Run("beginPlugin", "end\n");
    EXPECT_EQ(first.exitCode, way.exitCode) << first.Dump();
    EXPECT_EQ(first.transcript.back(), std::string("plugin d.dll ") + way.action) << first.Dump();
    EXPECT_TRUE(first.Lines("crash").empty()) << first.Dump();
    EXPECT_NE(first.output.find(way.said), std::string::npos) << first.Dump();
    EXPECT_TRUE(session.Exists("KSTR_Plugins.rc.journal"));

    RunResult second = session.Run("beginPlugin", "end\n");
    ASSERT_EQ(second.exitCode, 0) << second.Dump();
    EXPECT_EQ(second.Lines("msgbox"),
              std::vector<std::string>{
                  kBox + kError +
                  " text=\"The shell ended while d.dll was starting.\\nIt was switched off; its "
                  "line stays in the plugin list, disabled; \\\"Toggle Plugins\\\" starts it "
                  "again.\" -> ok"});
    EXPECT_TRUE(CallsOf(second, "d.dll").empty()) << second.Dump();
    EXPECT_EQ(CallsOf(second, "a.dll").front(), "beginPlugin module=a.dll");
    EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), "plugins\\a\\a.dll\r\n!plugins\\d\\d.dll\r\n");

    RunResult third = session.Run("beginPlugin", "end\n");
    ASSERT_EQ(third.exitCode, 0) << third.Dump();
    EXPECT_TRUE(third.Lines("msgbox").empty()) << third.Dump();
    EXPECT_EQ(third.PluginStartsAndEnds(),
              (std::vector<std::string>{"plugin a.dll beginPlugin module=a.dll",
                                        "plugin a.dll endPlugin module=a.dll"}));
    EXPECT_FALSE(session.Exists("KSTR_Plugins.rc.journal"));
  }
}

// ExitProcess while the library loads: it is not even linked at the next starts.
TEST(PluginFaults, APluginThatEndsTheShellWhenLoadedIsNotLinkedNextTime) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll");
  session.InstallPlugin("plugin_full", "plugins/d/d.dll", "attach=exit\n");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\d\\d.dll\r\nplugins\\a\\a.dll\r\n");

  RunResult first = session.Run("beginPlugin", "end\n");
  EXPECT_EQ(first.exitCode, 9) << first.Dump();
  EXPECT_EQ(first.transcript.back(), "plugin d.dll exit") << first.Dump();

  RunResult second = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(second.exitCode, 0) << second.Dump();
  ASSERT_EQ(second.Lines("msgbox").size(), 1u) << second.Dump();
  EXPECT_NE(second.Lines("msgbox")[0].find("The shell ended while d.dll was starting."),
            std::string::npos);
  EXPECT_TRUE(CallsOf(second, "d.dll").empty()) << second.Dump();
  EXPECT_EQ(second.PluginStartsAndEnds(),
            (std::vector<std::string>{"plugin a.dll beginPlugin module=a.dll",
                                      "plugin a.dll endPlugin module=a.dll"}));
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), "!plugins\\d\\d.dll\r\nplugins\\a\\a.dll\r\n");

  // Switched off, it would still be linked, and end the shell, at every other start: the
  // journal holds it until the user asks for it again or removes it.
  RunResult third = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(third.exitCode, 0) << third.Dump();
  EXPECT_TRUE(third.Lines("msgbox").empty()) << third.Dump();
  EXPECT_TRUE(CallsOf(third, "d.dll").empty()) << third.Dump();
  EXPECT_TRUE(session.Exists("KSTR_Plugins.rc.journal"));

  RunResult removed = session.Run("beginPlugin", "broam @KestraneInternal RemovePlugin 0\nend\n");
  ASSERT_EQ(removed.exitCode, 0) << removed.Dump();
  EXPECT_TRUE(CallsOf(removed, "d.dll").empty()) << removed.Dump();
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), "plugins\\a\\a.dll\r\n");
  EXPECT_FALSE(session.Exists("KSTR_Plugins.rc.journal"));
}

// A plug-in ends the shell from its window after start-up: the next start asks, and No starts
// none and changes no line; Toggle Plugins starts one.
TEST(PluginFaults, AfterASessionThatDidNotEndTheNextStartAsks) {
  ShellSession session;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "begin=window\n");
  session.InstallPlugin("plugin_full", "plugins/z/z.dll");
  const std::string list = "plugins\\a\\a.dll\r\nplugins\\z\\z.dll\r\n";
  session.WriteFile("KSTR_Plugins.rc", list);

  RunResult killed = session.Run("beginPlugin", "broam @test.exit\nend\n");
  EXPECT_EQ(killed.exitCode, 9) << killed.Dump();

  RunResult asked = session.Run("beginPlugin",
                                "answer no\n"
                                "broam @KestraneInternal TogglePlugin 1\n"
                                "end\n");
  ASSERT_EQ(asked.exitCode, 0) << asked.Dump();
  EXPECT_EQ(asked.Lines("msgbox"),
            std::vector<std::string>{
                kBox + kQuestion +
                " text=\"The shell did not end normally last time.\\n\\nStart the plugins "
                "now?\\nChoose No to start with every plugin stopped; \\\"Toggle Plugins\\\" "
                "starts them one by one.\" -> no"});
  EXPECT_EQ(asked.PluginStartsAndEnds(),
            (std::vector<std::string>{"plugin z.dll beginPlugin module=z.dll",
                                      "plugin z.dll endPlugin module=z.dll"}))
      << asked.Dump();
  EXPECT_TRUE(CallsOf(asked, "a.dll").empty()) << "not even linked";
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), list);

  RunResult normal = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(normal.exitCode, 0) << normal.Dump();
  EXPECT_TRUE(normal.Lines("msgbox").empty()) << normal.Dump();
  EXPECT_EQ(normal.PluginStartsAndEnds().size(), 4u) << normal.Dump();
}

}  // namespace
}  // namespace kestrane::e2e
