// The update workers on real threads beside a real window thread (this test's own, pumping
// what they send). Run under ThreadSanitizer by the native-tsan preset.
#include <gtest/gtest.h>

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

struct ThreadRig : testing::UpdateRig {
  ThreadRig() {
    kernel.realThreads = true;
    shell.deliver = [this](WindowHandle to, unsigned message, std::uintptr_t wParam,
                           std::intptr_t lParam) -> std::intptr_t {
      if (to != window) return 0;
      return windowThread.Send([&] {
        return manager.windowProc.OnMessage({to, message, wParam, lParam}).value;
      });
    };
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
  bool Idle() const {
    return manager.busyIndex.load() == -1 && !manager.updates.checkRunning.load() &&
           manager.updates.spinningWorkers.load() == 0;
  }
  testing::WindowThread windowThread;
};

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
  ASSERT_TRUE(rig.windowThread.PumpUntil([&] { return rig.manager.busyIndex.load() == -1; }));
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
