// The update workers on real threads beside a real window thread (this test's own, pumping
// what they send). Run under ThreadSanitizer by the native-tsan preset.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/plugin_table.h"
#include "ui/commands.h"
#include "ui/spinner.h"
#include "update/update_worker.h"
#include "update_rig.h"
#include "window_thread.h"

namespace kestrane {
namespace {

using testing::ScriptedAnswer;

// Real threads, and this test's thread as the window thread.
struct RealThreadRig : testing::UpdateRig {
  RealThreadRig() {
    kernel.realThreads = true;
    shell.deliver = [this](WindowHandle to, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) -> std::intptr_t {
      if (to != window) return 0;
      return windowThread.Send([&] {
        return manager.windowProc.OnMessage({to, message, wParam, lParam}).value;
      });
    };
  }
  bool Idle() const {
    return manager.busyIndex.load() == -1 && !manager.updates.checkRunning.load() &&
           manager.updates.spinningWorkers.load() == 0;
  }
  testing::WindowThread windowThread;
};

struct ThreadRig : RealThreadRig {
  ThreadRig() {
    Plugin("a", {{1, "Alpha"}, {2, "1.0"}, {4, "d1"}, {8, "http://site/meta.txt"}});
    Plugin("b", {{1, "Beta"}, {2, "2.0"}, {4, "d2"}});
    Write("metadata.txt",
          "Alpha.version: 1.1\nAlpha.date: d1\n"
          "Alpha.files: http://site/a.dll http://site/a.txt\n");
    internet.Serve("http://site/meta.txt",
                   "Alpha.version: 1.1\nAlpha.date: d1\n"
                   "Alpha.files: http://site/a.dll http://site/a.txt\n");
    internet.Serve("http://site/a.dll", "new a");
    // Slow enough that the window thread changes the table while the worker downloads.
    ScriptedAnswer slow;
    slow.body.assign(20000, 't');
    slow.beforeRead = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    internet.Serve("http://site/a.txt", slow);
    Start("plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
    desktop.answers = {box::kAnswerYes, box::kAnswerYes};  // the check may ask first
  }
};

// Forty plug-ins, each with a site of its own, and the default site.
struct ManySitesRig : RealThreadRig {
  static constexpr int kSites = 40;
  ManySitesRig() {
    std::string list;
    for (int i = 0; i < kSites; ++i) {
      std::string n = "p" + std::to_string(i);
      Plugin(n, {{1, n}, {2, "1"}, {4, "d"}, {8, Url(i)}});
      list += "plugins/" + n + "/" + n + ".dll\r\n";
    }
    shell.Set(folder + "/Kestrane.rc", "Kestrane.plugin.defaultupdateURL:", Url(kSites));
    Start(list);
  }
  static std::string Url(int site) { return "http://s" + std::to_string(site) + "/m.txt"; }
  static std::string Body(int site) {
    return "p" + std::to_string(site) + ".version: 2\np" + std::to_string(site) + ".date: d\n";
  }
};

// The sites are fetched 32 at a time and answer in the reverse of their order; the metadata
// file holds their bodies in slot order all the same, the default site's last.
TEST(UpdateThreads, ACheckFetchesItsSitesAtOnceAndWritesThemInSlotOrder) {
  ManySitesRig rig;
  std::atomic<int> most{0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::string expected;
  for (int i = 0; i <= ManySitesRig::kSites; ++i) {
    ScriptedAnswer a;
    a.body = ManySitesRig::Body(i);
    a.beforeRead = [&, i] {
      // The first fetches wait until all that may run at once are under way.
      for (;;) {
        int open = rig.internet.OpenTransfers();
        int seen = most.load();
        while (open > seen && !most.compare_exchange_weak(seen, open)) {
        }
        if (most.load() >= kMaxParallelFetches || std::chrono::steady_clock::now() > deadline) {
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(ManySitesRig::kSites - i));
    };
    rig.internet.Serve(ManySitesRig::Url(i), a);
    expected += ManySitesRig::Body(i);
  }
  rig.desktop.answers = {box::kAnswerOk};
  HandleBroam(rig.manager, "@KestraneInternal CheckForUpdates");
  ASSERT_TRUE(rig.windowThread.PumpUntil([&] { return rig.Idle(); }));
  HaltSpinner(rig.manager);
  rig.kernel.JoinThreads();
  EXPECT_EQ(most.load(), kMaxParallelFetches);
  EXPECT_EQ(rig.Read("metadata.txt"), expected);
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{"There are 40 updates available.\n\nUse the "
                                                  "\"Update Plugin\" menu\nto choose the updates "
                                                  "you wish\nto install."});
}

// Shut-down while every fetch of a check hangs: all of them end, and the check leaves without
// a box or a new metadata file.
TEST(UpdateThreads, ShutDownEndsEveryFetchOfACheck) {
  ManySitesRig rig;
  rig.Write("metadata.txt", "previous\n");
  for (int i = 0; i <= ManySitesRig::kSites; ++i) {
    ScriptedAnswer stuck;
    stuck.body = "p";
    stuck.withoutLength = true;
    stuck.blockAtEnd = true;
    rig.internet.Serve(ManySitesRig::Url(i), stuck);
  }
  HandleBroam(rig.manager, "@KestraneInternal CheckForUpdates");
  ASSERT_TRUE(rig.windowThread.PumpUntil(
      [&] { return rig.internet.BlockedReads() == kMaxParallelFetches; }));
  StopUpdateWorkers(rig.manager);
  HaltSpinner(rig.manager);
  ASSERT_TRUE(rig.windowThread.PumpUntil([&] { return rig.kernel.LiveThreads() == 0; }));
  rig.kernel.JoinThreads();
  EXPECT_EQ(rig.internet.OpenTransfers(), 0);
  EXPECT_EQ(rig.internet.Opened().size(), static_cast<std::size_t>(kMaxParallelFetches));
  EXPECT_TRUE(rig.Boxes().empty());
  EXPECT_EQ(rig.Read("metadata.txt"), "previous\n");
  EXPECT_EQ(rig.Folder("").count("metadata.txt.kestrane-new"), 0u);
}

// A check and an update at once, while the window thread keeps switching another plug-in on
// and off: both finish, and neither touches the table but through the window thread.
TEST(UpdateThreads, ACheckAndAnUpdateBesideABusyWindowThread) {
  ThreadRig rig;
  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 0");
  HandleBroam(rig.manager, "@KestraneInternal CheckForUpdates");
  ASSERT_TRUE(rig.windowThread.PumpUntil([&] { return rig.Idle(); },
                                         [&] { TogglePluginEntry(rig.manager, 1); }));
  HaltSpinner(rig.manager);  // nothing paints here, so the gear's thread would turn on
  rig.kernel.JoinThreads();
  EXPECT_EQ(rig.Read("plugins/a/a.dll"), "new a");
  EXPECT_EQ(rig.Read("plugins/a/a.txt"), std::string(20000, 't'));
  EXPECT_TRUE(rig.manager.plugins.slots[0].running);
  std::vector<std::string> boxes = rig.Boxes();
  EXPECT_EQ(boxes.size(), 3u);  // consent, completion, and the check's count
}

// Shut-down while a read is blocked: the read ends at once, and the worker leaves without
// another message, call or file.
TEST(UpdateThreads, ShutDownEndsABlockedDownload) {
  ThreadRig rig;
  ScriptedAnswer stuck;
  stuck.body = "par";
  stuck.length = 100;
  stuck.blockAtEnd = true;
  rig.internet.Serve("http://site/a.txt", stuck);
  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 0");
  ASSERT_TRUE(rig.windowThread.PumpUntil([&] { return rig.internet.BlockedReads() == 1; }));
  auto before = rig.Folder("plugins");
  StopUpdateWorkers(rig.manager);
  HaltSpinner(rig.manager);
  ASSERT_TRUE(rig.windowThread.PumpUntil([&] { return rig.kernel.LiveThreads() == 0; }));
  EXPECT_EQ(rig.manager.busyIndex.load(), 0);  // the ended session's, never given back
  EXPECT_EQ(rig.internet.OpenTransfers(), 0);
  EXPECT_EQ(rig.Boxes().size(), 1u);  // the consent only
  EXPECT_TRUE(rig.Statuses().size() == 2u);
  EXPECT_EQ(rig.PluginCalls("endPlugin"), 0);
  EXPECT_EQ(before.count("plugins/a/a.dll.kestrane-new"), 1u);  // the first file had arrived
  EXPECT_EQ(rig.Folder("plugins"),
            (std::map<std::string, std::string>{{"plugins/a/a.dll", "old a"},
                                                {"plugins/b/b.dll", "old b"}}));
}

}  // namespace
}  // namespace kestrane
