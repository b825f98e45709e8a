#include <gtest/gtest.h>

#include <filesystem>

#include "core/plugin_table.h"
#include "core/startup.h"
#include "host/shell_messages.h"
#include "ui/commands.h"
#include "ui/manager_window_proc.h"
#include "ui/paint.h"
#include "update/automatic_check.h"
#include "update/update_metadata.h"
#include "update_rig.h"

namespace kestrane {
namespace {

using testing::ScriptedAnswer;
using testing::UpdateRig;

TEST(IsUpdateAvailable, VersionOrDateDiffersAndBothArePublished) {
  struct Case {
    const char *version, *date, *ownVersion, *ownDate;
    bool available;
  } cases[] = {
      {"1.2", "2004-02-02", "1.2", "2004-01-01", true},  // a new date alone is enough
      {"1.3", "[No Info]", "1.2", "2004-01-01", false},
      {"1.3", "", "1.2", "2004-01-01", false},
      {"[No Info]", "2004-02-02", "1.2", "2004-01-01", false},
      {"1.2 \t\r", "2004-01-01", "1.2", "2004-01-01", false},  // blanks are no difference
      {"V1.2", "2004-01-01", "v1.2", "2004-01-01", true},      // letter case is
      {"1.0", "2004-01-01", "", "", true},                     // a plug-in without pluginInfo
  };
  for (const Case &c : cases) {
    EXPECT_EQ(IsUpdateAvailable(c.version, c.date, c.ownVersion, c.ownDate), c.available)
        << c.version << " " << c.date;
  }
}

// Alpha and Beta name one site, Gamma another, Delta the default one, Epsilon (stopped) a
// third, and Zeta has no pluginInfo at all.
struct CheckRig : UpdateRig {
  explicit CheckRig(int checkEveryDays = 0) {
    Plugin("a", {{1, "Alpha"}, {2, "1.0"}, {4, "d1"}, {8, "http://one/m.txt"}});
    Plugin("b", {{1, "Beta"}, {2, "2.0"}, {4, "d2"}, {8, "http://one/m.txt"}});
    Plugin("c", {{1, "Gamma"}, {2, "3.0"}, {4, "d3"}, {8, "http://two/m.txt"}});
    Plugin("d", {{1, "Delta"}, {2, "4.0"}, {4, "d4"}, {8, "http://default/m.txt"}});
    Plugin("e", {{1, "Epsilon"}, {2, "5.0"}, {4, "d5"}, {8, "http://three/m.txt"}});
    Plugin("z");
    shell.Set(Rc(), "Kestrane.plugin.defaultupdateURL:", "http://default/m.txt");
    shell.Set(Rc(), "Kestrane.update.checkEveryDays:", std::to_string(checkEveryDays));
    internet.Serve("http://one/m.txt",
                   "Alpha.version: 1.1\nAlpha.date: d1\nBeta.version: 2.0\n"
                   "Beta.date: d2\n");
    internet.Serve("http://two/m.txt", "Gamma.version: 3.0\nGamma.date: d3b\n");
    internet.Serve("http://three/m.txt", "Epsilon.version: 9\nEpsilon.date: d9\n");
    internet.Serve("http://default/m.txt",
                   "Delta.version: 4.0\nDelta.date: d4\n"
                   "z.dll.version: 1\nz.dll.date: 2004\n");
    Start(
        "plugins/a/a.dll\r\nplugins/b/b.dll\r\nplugins/c/c.dll\r\nplugins/d/d.dll\r\n"
        "plugins/e/e.dll\r\nplugins/z/z.dll\r\n");
    TogglePluginEntry(manager, 4);  // Epsilon is stopped now, but keeps its site
    manager.plugins.slots[4].updateAvailable = true;
    manager.plugins.slots[1].updateAvailable = true;
  }
  void Check() {
    HandleBroam(manager, "@KestraneInternal CheckForUpdates");
    RunWorkers();
  }
  std::string Rc() const { return folder + "/Kestrane.rc"; }
  // `ms` later the timer's tick reaches the window (or another program posts one), and the
  // sites fetched so far.
  std::size_t Tick(unsigned ms) {
    kernel.ticks += ms;
    manager.windowProc.OnMessage({window, wm::kTimer, kAutomaticCheckTimer, 0});
    RunWorkers();
    return internet.Opened().size();
  }
  std::size_t MarkRowsPainted() {  // the mark's three rows, or none
    log.Clear();
    PaintManagerWindow(manager, window);
    return log.Matching("FillRect").size();
  }
};

TEST(UpdateCheck, FetchesEverySiteOnceTheDefaultLastAndMarksTheRunningPlugins) {
  CheckRig rig;
  rig.Check();
  EXPECT_EQ(rig.internet.Opened(),
            (std::vector<std::string>{"http://one/m.txt", "http://two/m.txt", "http://three/m.txt",
                                      "http://default/m.txt"}));
  EXPECT_EQ(rig.Read("metadata.txt"),
            "Alpha.version: 1.1\nAlpha.date: d1\nBeta.version: 2.0\nBeta.date: d2\n"
            "Gamma.version: 3.0\nGamma.date: d3b\nEpsilon.version: 9\nEpsilon.date: d9\n"
            "Delta.version: 4.0\nDelta.date: d4\nz.dll.version: 1\nz.dll.date: 2004\n");
  const bool expected[] = {true, false, true, false, true, true};  // Epsilon: kept, not compared
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(rig.manager.plugins.slots[i].updateAvailable.load(), expected[i]) << i;
  }
  EXPECT_EQ(rig.Statuses(), std::vector<std::string>{"Downloading Update Information..."});
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "There are 3 updates available.\n\nUse the \"Update Plugin\" menu\nto choose the "
            "updates you wish\nto install.");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconInformation);
  EXPECT_EQ(rig.desktop.boxes[0].owner, kNoWindow);
  EXPECT_EQ(rig.Folder("").count("metadata.txt.kestrane-new"), 0u);
  EXPECT_EQ(rig.manager.busyIndex.load(), -1);

  // No site reached: the last file and its marks stand, and the box says which sites failed.
  const std::string last = rig.Read("metadata.txt");
  for (const char *site : {"one", "two", "three", "default"}) {
    ScriptedAnswer gone;
    gone.status = 404;
    rig.internet.Serve(std::string("http://") + site + "/m.txt", gone);
  }
  rig.desktop.boxes.clear();
  rig.Check();
  const std::string three =
      "There are 3 updates available.\n\nUse the \"Update Plugin\" menu\nto choose the "
      "updates you wish\nto install.";
  EXPECT_EQ(rig.Boxes(),
            std::vector<std::string>{three + "\n\n4 of the 4 update sites could not be "
                                             "reached:\nhttp://one/m.txt\nhttp://two/m.txt\n"
                                             "http://three/m.txt\nhttp://default/m.txt"});
  EXPECT_EQ(rig.Read("metadata.txt"), last);
  EXPECT_TRUE(rig.manager.plugins.slots[0].updateAvailable);

  // One site reached: its body alone, and the marks it gives.
  rig.internet.Serve("http://two/m.txt", "Gamma.version: 3.0\nGamma.date: d3b\n");
  rig.desktop.boxes.clear();
  rig.Check();
  EXPECT_EQ(rig.Read("metadata.txt"), "Gamma.version: 3.0\nGamma.date: d3b\n");
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{
                             "There are 1 updates available.\n\nUse the \"Update Plugin\" "
                             "menu\nto choose the updates you wish\nto install.\n\n3 of the 4 "
                             "update sites could not be reached:\nhttp://one/m.txt\n"
                             "http://three/m.txt\nhttp://default/m.txt"});
  EXPECT_FALSE(rig.manager.plugins.slots[0].updateAvailable);

  // Past five, the rest is left out.
  for (int i = 0; i < 6; ++i) {
    rig.manager.plugins.slots[i].updateUrl = Path("http://dead" + std::to_string(i) + "/m.txt");
  }
  rig.desktop.boxes.clear();
  rig.Check();
  ASSERT_EQ(rig.Boxes().size(), 1u);
  EXPECT_NE(rig.Boxes()[0].find("\n\n7 of the 7 update sites could not be reached:\n"
                                "http://dead0/m.txt\nhttp://dead1/m.txt\nhttp://dead2/m.txt\n"
                                "http://dead3/m.txt\nhttp://dead4/m.txt\n..."),
            std::string::npos)
      << rig.Boxes()[0];
  EXPECT_EQ(rig.Boxes()[0].substr(rig.Boxes()[0].size() - 4), "\n...");
}

// A shell folder too long for "metadata.txt": neither the check nor an update reads or writes
// the cut name in its place, and both find nothing.
TEST(UpdateCheck, AShellFolderTooLongForTheMetadataFileFindsNothing) {
  CheckRig rig;
  std::string folder = rig.root + std::string(250 - rig.root.size() - 1, 'h') + "/";
  std::filesystem::create_directory(folder);
  rig.manager.hostFolder = Path(folder);
  const std::string cut = folder.substr(rig.root.size()) + "metadata.";
  const std::string published = "Alpha.version: 1.1\nAlpha.date: d1\nAlpha.files: http://one/a\n";
  rig.Write(cut, published);
  rig.desktop.answers = {box::kAnswerOk, box::kAnswerNo};
  rig.Check();
  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 0");
  rig.RunWorkers();
  EXPECT_EQ(rig.Boxes(), (std::vector<std::string>{"There are no updates available.",
                                                   "No update information was available"}));
  EXPECT_TRUE(rig.internet.Opened().empty());
  EXPECT_EQ(rig.Folder(folder.substr(rig.root.size())),
            (std::map<std::string, std::string>{{cut, published}}));
}

// Alpha faults when asked for its version: reported, switched off, left unmarked and uncounted.
TEST(UpdateCheck, APluginFaultingWhenAskedIsLeftUnmarked) {
  CheckRig rig;
  rig.libraries.available[rig.root + "plugins/a/a.dll"].faults["pluginInfo 2"] =
      testing::FaultAt(0x10);
  rig.Check();
  ASSERT_EQ(rig.Boxes().size(), 2u);
  EXPECT_EQ(rig.Boxes()[0].rfind("a.dll faulted in pluginInfo and was switched off.", 0), 0u);
  EXPECT_EQ(rig.Boxes()[1].rfind("There are 2 updates available.", 0), 0u);
  EXPECT_FALSE(rig.manager.plugins.slots[0].updateAvailable);
  EXPECT_FALSE(rig.manager.plugins.slots[0].running);
}

// While a check downloads, metadata.txt stays the last whole file and a second check is
// ignored; shut-down in the middle leaves that file and nothing else.
TEST(UpdateCheck, OneAtATimeAndTheOldFileStaysWholeUntilTheNewOneIsDone) {
  CheckRig rig;
  rig.Write("metadata.txt", "previous\n");
  ScriptedAnswer slow;
  slow.body = "Gamma.version: 3.1\n";
  std::string seen;
  slow.beforeRead = [&] {
    seen = rig.Read("metadata.txt");
    HandleBroam(rig.manager, "@KestraneInternal CheckForUpdates");
  };
  rig.internet.Serve("http://two/m.txt", slow);
  rig.Check();
  EXPECT_EQ(seen, "previous\n");
  EXPECT_EQ(rig.Statuses(), std::vector<std::string>{"Downloading Update Information..."});
  // The check, its helpers for the other three sites, and the gear's thread, once.
  EXPECT_EQ(rig.kernel.threadsStarted, 5);
  EXPECT_NE(rig.Read("metadata.txt"), "previous\n");

  slow.beforeRead = [&] { EndManager(rig.manager, kNoModule); };
  rig.internet.Serve("http://two/m.txt", slow);
  rig.Write("metadata.txt", "previous\n");
  rig.desktop.boxes.clear();
  rig.log.Clear();
  rig.Check();
  EXPECT_EQ(rig.Folder(""), (std::map<std::string, std::string>{{"metadata.txt", "previous\n"},
                                                                {"plugins/a/a.dll", "old a"},
                                                                {"plugins/b/b.dll", "old b"},
                                                                {"plugins/c/c.dll", "old c"},
                                                                {"plugins/d/d.dll", "old d"},
                                                                {"plugins/e/e.dll", "old e"},
                                                                {"plugins/z/z.dll", "old z"}}));
  EXPECT_EQ(rig.internet.Opened().back(), "http://two/m.txt");  // nothing after shut-down
  EXPECT_TRUE(rig.desktop.boxes.empty());
  EXPECT_EQ(rig.internet.CloseAllCalls(), 1);
  EXPECT_TRUE(rig.manager.updates.checkRunning);  // the ended session's: nothing given back
}

// The schedule against the fake clock, which starts at 2004-11-01 12:00 UTC: a first look 15 s
// after start-up, then one an hour; a check once a day has passed since the last one that
// reached a site, silent; one that reaches none changes nothing and is tried an hour later.
TEST(AutomaticCheck, LooksHourlyChecksOnceTheDaysHavePassedSilentlyAndMarksTheButton) {
  for (int off : {0, 366}) {
    CheckRig rig(off);
    ScheduleAutomaticChecks(rig.manager);  // as start-up does
    EXPECT_EQ(rig.Tick(2 * kLookEveryMs), 0u) << off;
    EXPECT_TRUE(rig.desktop.timers.empty()) << off;
  }
  CheckRig rig(1);
  rig.manager.settings.lastCheck = "2004-10-31 11:59";
  ScheduleAutomaticChecks(rig.manager);
  const std::pair<WindowHandle, unsigned> timer{rig.window, kAutomaticCheckTimer};
  EXPECT_EQ(rig.desktop.timers.at(timer), kFirstLookMs);
  EXPECT_EQ(rig.Tick(10000), 0u);  // early: not our timer's
  const int painted = rig.desktop.Window(rig.window).invalidations;
  EXPECT_EQ(rig.Tick(5000), 4u);
  EXPECT_TRUE(rig.Boxes().empty());
  EXPECT_TRUE(rig.Statuses().empty());
  EXPECT_TRUE(rig.manager.plugins.slots[0].updateAvailable);
  EXPECT_EQ(rig.shell.files[rig.Rc()]["Kestrane.update.lastCheck:"], "2004-11-01 12:00");
  EXPECT_EQ(rig.desktop.timers.at(timer), kLookEveryMs);
  EXPECT_GT(rig.desktop.Window(rig.window).invalidations, painted);
  EXPECT_EQ(rig.MarkRowsPainted(), 3u);
  EXPECT_EQ(rig.Tick(kLookEveryMs), 4u);  // within the day

  for (const char *site : {"one", "two", "three", "default"}) {
    ScriptedAnswer gone;
    gone.status = 404;
    rig.internet.Serve(std::string("http://") + site + "/m.txt", gone);
  }
  const std::string metadata = rig.Read("metadata.txt");
  rig.kernel.ticks += 22 * kLookEveryMs;
  EXPECT_EQ(rig.Tick(kLookEveryMs), 8u);  // a day later, and no site answers
  EXPECT_EQ(rig.Read("metadata.txt"), metadata);
  EXPECT_TRUE(rig.manager.plugins.slots[0].updateAvailable);
  EXPECT_EQ(rig.manager.settings.lastCheck.view(), "2004-11-01 12:00");
  rig.manager.busyIndex = 3;  // an update, or its extraction, runs: skipped
  EXPECT_EQ(rig.Tick(kLookEveryMs), 8u);
  rig.manager.busyIndex = -1;

  // "Check For Updates" during an automatic check runs once that has ended: the sites answer
  // again, with nothing, and the mark goes with the marks.
  for (const char *site : {"one", "two", "three", "default"}) {
    rig.internet.Serve(std::string("http://") + site + "/m.txt", ScriptedAnswer{});
  }
  rig.kernel.ticks += kLookEveryMs;
  rig.manager.windowProc.OnMessage({rig.window, wm::kTimer, kAutomaticCheckTimer, 0});
  HandleBroam(rig.manager, "@KestraneInternal CheckForUpdates");
  rig.RunWorkers();
  EXPECT_EQ(rig.internet.Opened().size(), 16u);
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{"There are no updates available."});
  EXPECT_FALSE(rig.manager.plugins.slots[0].updateAvailable);
  EXPECT_EQ(rig.MarkRowsPainted(), 0u);

  rig.shell.Set(rig.Rc(), "Kestrane.update.checkEveryDays:", "0");
  rig.manager.windowProc.OnMessage({rig.window, kHostMsgReconfigure, 0, 0});
  EXPECT_TRUE(rig.desktop.timers.empty());
}

TEST(AutomaticCheck, DueOnceTheDaysHavePassedSinceAReadableTime) {
  const UtcTime now{2004, 3, 1, 0, 30};
  EXPECT_TRUE(CheckIsDue("2004-02-29 00:30", now, 1));
  EXPECT_FALSE(CheckIsDue("2003-03-02 00:31", now, 365));  // a minute short, over a leap day
  EXPECT_TRUE(CheckIsDue("2004-03-01 00:31", now, 7));     // later than now: a clock set back
  for (const char *unreadable : {"", "2004-13-01 00:00", "2004-02-29 0:30"}) {
    EXPECT_TRUE(CheckIsDue(unreadable, now, 7)) << unreadable;
  }
}

}  // namespace
}  // namespace kestrane
