#include "core/startup.h"

#include <gtest/gtest.h>

#include "host/shell_messages.h"
#include "test_rig.h"
#include "ui/spinner.h"
#include "update/automatic_check.h"
#include "update_rig.h"

namespace kestrane {
namespace {

using testing::TestRig;

const ModuleHandle kModule{0x400000};
const WindowHandle kSlit{0x5117};

TEST(StartUp, RunsItsStepsInOrderAndRegistersTheWindow) {
  TestRig rig;
  rig.shell.folder = "C:\\Program Files\\Corvane\\";
  rig.shell.Set(rig.OwnRcFile(), "Kestrane.update.checkEveryDays:", "7");
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);

  const Manager &m = rig.manager;
  EXPECT_EQ(m.hostFolder.view(), "c:\\program files\\corvane\\");
  EXPECT_TRUE(m.layeredSupported);
  EXPECT_EQ(m.coreWindow, rig.shell.coreWindow);
  EXPECT_EQ(m.module, kModule);
  EXPECT_EQ(m.slitWindow, kNoWindow);

  const auto &log = rig.log;
  int path = log.IndexOf("GetCorvanePath"), core = log.IndexOf("GetCVWnd");
  int reg = log.IndexOf("RegisterClass Kestrane style=8"), read = log.IndexOf("ReadInt");
  int style = log.IndexOf("GetSettingPtr 1"), create = log.IndexOf("CreateWindow Kestrane");
  ASSERT_NE(reg, -1);
  EXPECT_LT(path, core);
  EXPECT_LT(core, reg);
  EXPECT_LT(reg, read);
  EXPECT_LT(read, style);
  EXPECT_LT(style, create);
  // The automatic checks' first look, 15 s after the start, on the window.
  EXPECT_GT(log.IndexOf("StartTimer " + std::to_string(kAutomaticCheckTimer) + " 15000"), create);

  // While it is created the window registers for 10103 and 10901, becomes sticky and is placed.
  ASSERT_NE(m.managerWindow, kNoWindow);
  ASSERT_EQ(rig.shell.sent.size(), 1u);
  const auto &registration = rig.shell.sent[0];
  EXPECT_EQ(registration.to, rig.shell.coreWindow);
  EXPECT_EQ(registration.message, kHostMsgRegister);
  EXPECT_EQ(registration.wParam, static_cast<std::uintptr_t>(m.managerWindow.load()));
  EXPECT_EQ(registration.list, (std::vector<unsigned>{10103, 10901}));
  EXPECT_EQ(rig.shell.sticky.count(m.managerWindow), 1u);

  const auto &w = rig.desktop.Window(m.managerWindow);
  EXPECT_EQ(w.exStyle, winstyle::kExToolWindow | winstyle::kExLayered);
  EXPECT_EQ(w.style, 0x96000000u);
  EXPECT_EQ(w.x, 10);
  EXPECT_EQ(w.y, 10);
  EXPECT_EQ(w.width, 25);
  EXPECT_EQ(w.height, 25);
  EXPECT_TRUE(w.topMost);
}

TEST(StartUp, OldSystemsGetNoLayeredWindow) {
  for (SystemVersion v : {SystemVersion{true, 4}, SystemVersion{false, 5}}) {
    TestRig rig;
    rig.kernel.version = v;
    ASSERT_EQ(StartManager(rig.manager, kModule), 0);
    EXPECT_FALSE(rig.manager.layeredSupported);
    EXPECT_EQ(rig.desktop.Window(rig.manager.managerWindow).exStyle, winstyle::kExToolWindow);
  }
}

TEST(StartUp, ClassRegistrationFailureStopsBeforeAnySetting) {
  TestRig rig;
  rig.desktop.failRegisterClass = true;
  EXPECT_EQ(StartManager(rig.manager, kModule), 1);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  const auto &box = rig.desktop.boxes[0];
  EXPECT_EQ(box.text, "Error registering window class");
  EXPECT_EQ(box.caption, "Kestrane 0.7b");
  EXPECT_EQ(box.owner, rig.shell.coreWindow);
  EXPECT_EQ(box.style, box::kTopMost | box::kIconError);
  EXPECT_EQ(rig.log.IndexOf("Read"), -1);
  EXPECT_EQ(rig.log.IndexOf("CreateWindow"), -1);
}

TEST(StartUp, WindowCreationFailureReportsWithoutOwner) {
  TestRig rig;
  rig.desktop.failCreateWindow = true;
  EXPECT_EQ(StartManagerInSlit(rig.manager, kModule, kSlit), 1);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, "Error creating window");
  EXPECT_EQ(rig.desktop.boxes[0].owner, kNoWindow);
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconError);
  EXPECT_TRUE(rig.shell.sent.empty());  // never docked, never registered
}

TEST(StartUp, SlitStartDocksOnlyWithInSlitOnAndASlit) {
  {
    TestRig rig;
    rig.shell.Set(rig.OwnRcFile(), "Kestrane.plugin.inSlit:", "true");
    ASSERT_EQ(StartManagerInSlit(rig.manager, kModule, kSlit), 0);
    ASSERT_EQ(rig.shell.sent.size(), 2u);
    EXPECT_EQ(rig.shell.sent[1].to, kSlit);
    EXPECT_EQ(rig.shell.sent[1].message, kSlitMsgAddWindow);
    EXPECT_EQ(rig.shell.sent[1].lParam,
              static_cast<std::intptr_t>(rig.manager.managerWindow.load()));
    // Docked windows are not layered.
    EXPECT_EQ(rig.desktop.Window(rig.manager.managerWindow).exStyle, winstyle::kExToolWindow);
  }
  {
    TestRig rig;  // inSlit off: floats, yet the Slit is known for managed plug-ins
    ASSERT_EQ(StartManagerInSlit(rig.manager, kModule, kSlit), 0);
    EXPECT_EQ(rig.manager.slitWindow, kSlit);
    EXPECT_EQ(rig.shell.sent.size(), 1u);
  }
  {
    TestRig rig;  // inSlit on, but started without a Slit
    rig.shell.Set(rig.OwnRcFile(), "Kestrane.plugin.inSlit:", "true");
    ASSERT_EQ(StartManagerInSlit(rig.manager, kModule, kNoWindow), 0);
    EXPECT_EQ(rig.shell.sent.size(), 1u);
  }
  {
    TestRig rig;  // beginPlugin never docks
    rig.shell.Set(rig.OwnRcFile(), "Kestrane.plugin.inSlit:", "true");
    ASSERT_EQ(StartManager(rig.manager, kModule), 0);
    EXPECT_EQ(rig.shell.sent.size(), 1u);
  }
}

TEST(ShutDown, UndocksMovesBackUnregistersAndDestroysInOrder) {
  TestRig rig;
  const std::string rc = rig.OwnRcFile();
  rig.shell.Set(rc, "Kestrane.plugin.inSlit:", "true");
  rig.shell.Set(rc, "Kestrane.plugin.x:", "200");
  rig.shell.Set(rc, "Kestrane.plugin.y:", "100");
  ASSERT_EQ(StartManagerInSlit(rig.manager, kModule, kSlit), 0);
  WindowHandle window = rig.manager.managerWindow;
  rig.log.Clear();
  rig.shell.sent.clear();

  EndManager(rig.manager, kModule);

  ASSERT_EQ(rig.shell.sent.size(), 2u);
  EXPECT_EQ(rig.shell.sent[0].message, kSlitMsgRemoveWindow);
  EXPECT_EQ(rig.shell.sent[0].to, kSlit);
  EXPECT_EQ(rig.shell.sent[1].message, kHostMsgUnregister);
  EXPECT_EQ(rig.shell.sent[1].wParam, static_cast<std::uintptr_t>(window));
  EXPECT_EQ(rig.shell.sent[1].list, (std::vector<unsigned>{10103, 10901}));
  EXPECT_TRUE(rig.shell.sticky.empty());
  EXPECT_TRUE(rig.desktop.windows.empty());
  EXPECT_TRUE(rig.desktop.classes.empty());

  const auto &log = rig.log;
  int undock = log.IndexOf("Send 11002"), move = log.IndexOf("SetWindowPos 200 100 0 0 flags=5");
  int sticky = log.IndexOf("RemoveSticky"), unreg = log.IndexOf("Send 10002");
  int unclass = log.IndexOf("UnregisterClass Kestrane");
  ASSERT_NE(move, -1);  // no size, no z-order change
  EXPECT_LT(undock, move);
  EXPECT_LT(move, sticky);
  EXPECT_LT(sticky, unreg);
  EXPECT_LT(unreg, unclass);

  // Only memory forgets the Slit: the next start docks again.
  EXPECT_FALSE(rig.manager.settings.inSlit);
  EXPECT_EQ(rig.shell.files[rc]["Kestrane.plugin.inSlit:"], "true");
  EXPECT_TRUE(rig.log.Matching("Write").empty());
}

TEST(ShutDown, FloatingWindowIsNotSentToTheSlit) {
  TestRig rig;
  ASSERT_EQ(StartManagerInSlit(rig.manager, kModule, kSlit), 0);
  rig.shell.sent.clear();
  EndManager(rig.manager, kModule);
  ASSERT_EQ(rig.shell.sent.size(), 1u);
  EXPECT_EQ(rig.shell.sent[0].message, kHostMsgUnregister);
}

TEST(ShutDown, ATurningGearsThreadEndsThoughNothingPaintsAnyMore) {
  TestRig rig;
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  StartSpinner(rig.manager);
  EndManager(rig.manager, kModule);
  rig.kernel.RunPendingThreads();  // returns: the thread saw it must end
  EXPECT_EQ(rig.manager.spinner.running.load(), 0);
}

TEST(ShutDown, AGearThreadThatLosesTheWindowInvalidatesNothing) {
  TestRig rig;
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  StartSpinner(rig.manager);
  // Shut-down clears the window between the thread's speed check and its invalidation.
  rig.manager.managerWindow = kNoWindow;
  int sleeps = 0;
  rig.kernel.onSleep = [&] {
    if (++sleeps == 3) HaltSpinner(rig.manager);
  };
  rig.log.Clear();
  rig.kernel.RunPendingThreads();
  EXPECT_EQ(sleeps, 3);
  EXPECT_TRUE(rig.log.Matching("Invalidate").empty());
  EXPECT_EQ(rig.manager.spinner.running.load(), 0);
}

TEST(ShutDown, StartAfterEndWorksAgain) {
  TestRig rig;
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  EndManager(rig.manager, kModule);
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  EXPECT_EQ(rig.desktop.windows.size(), 1u);
}

// The shell ends Kestrane and begins it again in the same image. The first session had an
// update and a check on their way, had removed its first plug-in, and ended while the
// capture's explanation was open. The second starts as a fresh load would, and the first
// session's workers, when they run at last, touch nothing of it.
TEST(ShutDown, ABeginAfterAnEndStartsAsAFreshLoadDoes) {
  testing::UpdateRig rig;
  rig.Plugin("a");
  rig.Plugin("b");
  rig.Plugin("c");
  rig.WriteList("plugins/a/a.dll\r\nplugins/b/b.dll\r\nplugins/c/c.dll\r\n");
  auto command = [&](const char *text) {  // as the shell sends it
    rig.manager.windowProc.OnMessage(
        {rig.manager.managerWindow, kHostMsgBroam, 0, reinterpret_cast<std::intptr_t>(text)});
  };
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  command("@KestraneInternal UpdatePlugin 2");
  command("@KestraneInternal CheckForUpdates");
  command("@KestraneInternal RemovePlugin 0");
  rig.desktop.whileShown = [&](const testing::ShownBox &) { EndManager(rig.manager, kModule); };
  command("@KestraneInternal GlobalTransAdd");
  rig.desktop.whileShown = nullptr;
  const std::size_t firstSessionThreads = rig.kernel.pending.size();

  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  const Manager &m = rig.manager;
  EXPECT_EQ(m.plugins.slots[0].path.view(), rig.root + "plugins/b/b.dll");
  EXPECT_EQ(m.plugins.slots[1].path.view(), rig.root + "plugins/c/c.dll");
  EXPECT_TRUE(m.plugins.slots[0].running && m.plugins.slots[1].running);
  EXPECT_FALSE(m.plugins.slots[2].inUse);
  EXPECT_EQ(m.busyIndex.load(), -1);
  EXPECT_FALSE(m.updates.checkRunning.load());
  EXPECT_EQ(m.updates.spinningWorkers.load(), 0);
  EXPECT_EQ(m.spinner.running.load(), 0);

  rig.desktop.boxes.clear();
  command("@KestraneInternal GlobalTransAdd");
  EXPECT_EQ(rig.desktop.boxes.size(), 1u);  // the explanation: no capture of the first session
  const int threads = rig.kernel.threadsStarted;
  command("@KestraneInternal CheckForUpdates");
  EXPECT_EQ(rig.kernel.threadsStarted, threads + 2);  // the check and the gear's thread
  command("@KestraneInternal UpdatePlugin 0");
  EXPECT_EQ(rig.kernel.threadsStarted, threads + 3);
  EXPECT_EQ(rig.desktop.boxes.size(), 1u);  // no "You must wait" for the first session's worker

  // The first session's update and check (after its gear's thread) run now and leave.
  auto first = rig.kernel.pending;
  first.resize(firstSessionThreads);
  rig.kernel.pending.erase(rig.kernel.pending.begin(),
                           rig.kernel.pending.begin() + firstSessionThreads);
  for (auto &[routine, argument] : first) {
    if (argument != &rig.manager) routine(argument);
  }
  EXPECT_EQ(m.busyIndex.load(), 0);
  EXPECT_TRUE(m.updates.checkRunning.load());
  EXPECT_EQ(m.updates.spinningWorkers.load(), 2);
  EXPECT_EQ(rig.desktop.boxes.size(), 1u);
  EndManager(rig.manager, kModule);
}

}  // namespace
}  // namespace kestrane
