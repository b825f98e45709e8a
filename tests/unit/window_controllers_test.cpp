#include "controllers/window_controllers.h"

#include <gtest/gtest.h>

#include "controllers/class_capture.h"
#include "core/startup.h"
#include "host/shell_messages.h"
#include "test_rig.h"

namespace kestrane {
namespace {

using testing::FakeWindow;
using testing::TestRig;

const ModuleHandle kModule{0x400000};
constexpr const char *kApp = "C:\\Apps\\app.exe";

// A started Kestrane whose configuration lists classes; windows of other programs are added
// before the start (apply pass at start-up) or after it (creation hook).
struct ControllerRig : TestRig {
  void Set(const std::string &key, const std::string &value) { shell.Set(OwnRcFile(), key, value); }
  void Start() { ASSERT_EQ(StartManager(manager, kModule), 0); }
  void Broam(const std::string &command) {
    std::string text = "@KestraneInternal " + command;
    manager.windowProc.OnMessage(
        {manager.managerWindow, kHostMsgBroam, 0, reinterpret_cast<std::intptr_t>(text.c_str())});
  }
  WindowHandle Layered(const std::string &cls, std::uint32_t key, unsigned alpha, unsigned flags) {
    WindowHandle w = desktop.AddWindow(cls, kApp, winstyle::kExLayered);
    FakeWindow &f = desktop.Window(w);
    f.layeredSet = true;
    f.colourKey = key;
    f.alpha = alpha;
    f.layeredFlags = flags;
    return w;
  }
  // What a window's own process would read back.
  std::string State(WindowHandle w) {
    const FakeWindow &f = desktop.Window(w);
    LayeredAttributes a;
    bool readable = desktop.ReadLayeredAttributes(w, a);
    return "ex=" + std::to_string(f.exStyle) +
           (readable ? " key=" + std::to_string(a.colourKey) + " alpha=" + std::to_string(a.alpha) +
                           " flags=" + std::to_string(a.flags)
                     : " unreadable");
  }
  std::string Handle(WindowHandle w) { return std::to_string(static_cast<std::uintptr_t>(w)); }
};

TEST(WindowControllers, StartUpPassReadsClassesFirstAndTreatsOnlyListedOnes) {
  ControllerRig rig;
  const std::string longClass(60, 'L');
  rig.Set("Kestrane.plugin.GlobalTransparency:", "true");
  rig.Set("Kestrane.plugin.GlobTransAlpha:", "300");  // the low 8 bits: 44
  rig.Set("Kestrane.plugin.GlobalSticky:", "true");
  rig.Set("Kestrane.plugin.transClass0:", "Notepad");
  rig.Set("Kestrane.plugin.transClass7:", longClass.substr(0, 49));
  rig.Set("Kestrane.plugin.stickyClass3:", "Notepad");
  WindowHandle listed = rig.desktop.AddWindow("Notepad", kApp);
  WindowHandle otherCase = rig.desktop.AddWindow("notepad", kApp);
  WindowHandle unlisted = rig.desktop.AddWindow("Other", kApp);
  WindowHandle longName = rig.desktop.AddWindow(longClass, kApp);
  WindowHandle closedProcess = rig.desktop.AddWindow("Notepad", "");  // another user's
  WindowHandle elevated = rig.desktop.AddWindow("Notepad", "C:\\Windows\\regedit.exe");
  rig.desktop.Window(elevated).refusesChanges = true;
  rig.Start();

  EXPECT_EQ(rig.State(listed), "ex=524288 key=0 alpha=44 flags=2");
  EXPECT_EQ(rig.State(longName), "ex=524288 key=0 alpha=44 flags=2");
  for (WindowHandle w : {otherCase, unlisted, closedProcess, elevated})
    EXPECT_EQ(rig.State(w), "ex=0 unreadable");
  EXPECT_EQ(rig.manager.controllers.changed.Find(elevated), nullptr) << "refused: not recorded";
  // Processes are opened for listed classes only, after their class was read.
  EXPECT_EQ(rig.log.Matching("ProcessExecutable"),
            (std::vector<std::string>{"ProcessExecutable " + rig.Handle(listed),
                                      "ProcessExecutable " + rig.Handle(longName),
                                      "ProcessExecutable " + rig.Handle(closedProcess),
                                      "ProcessExecutable " + rig.Handle(elevated)}));
  EXPECT_LT(rig.log.IndexOf("WindowClass " + rig.Handle(listed)),
            rig.log.IndexOf("ProcessExecutable " + rig.Handle(listed)));
  // Stickiness does not need the process.
  EXPECT_EQ(rig.shell.sticky.count(listed), 1u);
  EXPECT_EQ(rig.shell.sticky.count(closedProcess), 1u);
  EXPECT_EQ(rig.shell.sticky.count(elevated), 1u);
  EXPECT_EQ(rig.shell.sticky.count(otherCase), 0u);
}

TEST(WindowControllers, EveryKindOfWindowIsGivenBackExactlyAsItWas) {
  ControllerRig rig;
  rig.Set("Kestrane.plugin.GlobalTransparency:", "true");
  rig.Set("Kestrane.plugin.GlobTransAlpha:", "128");
  for (int i = 0; i < 4; ++i) {
    rig.Set("Kestrane.plugin.transClass" + std::to_string(i) + ":", "K" + std::to_string(i));
  }
  WindowHandle plain = rig.desktop.AddWindow("K0", kApp);
  WindowHandle blackKey = rig.Layered("K1", 0x000000, 0, winstyle::kLayeredColourKey);
  WindowHandle ownAlpha = rig.Layered("K2", 0, 200, winstyle::kLayeredAlpha);
  WindowHandle perPixel = rig.desktop.AddWindow("K3", kApp, winstyle::kExLayered);
  rig.desktop.Window(perPixel).perPixel = true;
  WindowHandle untouched = rig.Layered("Mine", 0x00FF00FF, 90, 3);  // not listed
  std::vector<std::string> before;
  for (WindowHandle w : {plain, blackKey, ownAlpha, perPixel, untouched}) {
    before.push_back(rig.State(w));
  }
  auto expectAsBefore = [&](const char *after) {
    std::vector<std::string> now;
    for (WindowHandle w : {plain, blackKey, ownAlpha, perPixel, untouched}) {
      now.push_back(rig.State(w));
    }
    EXPECT_EQ(now, before) << after;
  };
  auto expectApplied = [&](const char *after) {
    EXPECT_EQ(rig.State(plain), "ex=524288 key=0 alpha=128 flags=2") << after;
    EXPECT_EQ(rig.State(blackKey), "ex=524288 key=0 alpha=128 flags=3") << after;  // key kept
    EXPECT_EQ(rig.State(ownAlpha), "ex=524288 key=0 alpha=128 flags=2") << after;
  };

  rig.Start();
  expectApplied("start-up");
  EXPECT_FALSE(rig.desktop.Window(perPixel).layeredSet) << "drawn per pixel: never touched";

  rig.Broam("GlobalTransEnabled");  // off
  expectAsBefore("controller off");
  rig.Broam("GlobalTransEnabled");  // on again: the record starts afresh
  expectApplied("controller on");
  rig.Broam("GlobalTransAdjust 255");
  expectAsBefore("alpha 255");
  rig.Broam("GlobalTransAdjust 128");
  rig.Broam("GlobalTransRem 0");
  EXPECT_EQ(rig.State(plain), before[0]) << "its class removed";
  EXPECT_EQ(rig.State(blackKey), "ex=524288 key=0 alpha=128 flags=3");

  rig.desktop.windows.erase(ownAlpha);  // closed while translucent
  before.erase(before.begin() + 2);
  EndManager(rig.manager, kModule);
  std::vector<std::string> now;
  for (WindowHandle w : {plain, blackKey, perPixel, untouched}) now.push_back(rig.State(w));
  EXPECT_EQ(now, before) << "shut-down";
  EXPECT_EQ(rig.desktop.Window(perPixel).exStyle, winstyle::kExLayered);
  EXPECT_TRUE(rig.log.Matching("SetLayeredAttributes 16711935").empty());
}

TEST(WindowControllers, CreationHookActsOnNewWindowsEvenWhenItsNoticeComesLate) {
  ControllerRig rig;
  rig.Set("Kestrane.plugin.GlobalTransparency:", "true");
  rig.Set("Kestrane.plugin.GlobTransAlpha:", "10");
  rig.Set("Kestrane.plugin.GlobalSticky:", "true");
  rig.Set("Kestrane.plugin.transClass0:", "Edit");
  rig.Set("Kestrane.plugin.stickyClass0:", "Edit");
  rig.Start();
  ASSERT_EQ(rig.log.Matching("InstallWinEventHook 32768").size(), 1u);

  // A text box inside another program's frame: a child window, which no pass reaches.
  WindowHandle box = rig.desktop.AddWindow("Edit", kApp);
  rig.desktop.Window(box).topLevel = false;
  rig.desktop.FireWinEvent(winevent::kObjectCreate, box, -8);  // its caret: not a window
  EXPECT_EQ(rig.State(box), "ex=0 unreadable");
  EXPECT_EQ(rig.shell.sticky.count(box), 0u);
  rig.desktop.FireWinEvent(winevent::kObjectCreate, box);
  EXPECT_EQ(rig.State(box), "ex=524288 key=0 alpha=10 flags=2");
  EXPECT_EQ(rig.shell.sticky.count(box), 1u);
  rig.Broam("GlobalTransAdjust 255");  // the restore pass reaches the child too
  EXPECT_EQ(rig.State(box), "ex=0 unreadable");

  // A top-level window that a pass reaches before the system's notice of its creation does.
  WindowHandle late = rig.desktop.AddWindow("Edit", kApp);
  rig.Broam("GlobalTransAdjust 10");
  rig.desktop.FireWinEvent(winevent::kObjectCreate, late);
  EndManager(rig.manager, kModule);
  EXPECT_EQ(rig.State(late), "ex=0 unreadable") << "its own state, not the translucent one";
  EXPECT_TRUE(rig.desktop.hooks.empty());
}

// Changing a window waits for its thread: a hung program would hold the shell for as long as it
// hangs. Thread 7 runs two windows, thread 8 one.
TEST(WindowControllers, AHungProgramIsAskedOncePerPassLeftAsItIsAndRetriedByTheNextPass) {
  ControllerRig rig;
  rig.Set("Kestrane.plugin.GlobalTransparency:", "true");
  rig.Set("Kestrane.plugin.GlobTransAlpha:", "128");
  rig.Set("Kestrane.plugin.GlobalSticky:", "true");
  rig.Set("Kestrane.plugin.transClass0:", "Slow");
  rig.Set("Kestrane.plugin.stickyClass0:", "Slow");
  WindowHandle a1 = rig.desktop.AddWindow("Slow", kApp), a2 = rig.desktop.AddWindow("Slow", kApp);
  WindowHandle b = rig.desktop.AddWindow("Slow", kApp);
  rig.desktop.Window(a1).thread = rig.desktop.Window(a2).thread = 7;
  rig.desktop.Window(b).thread = 8;
  const std::string untouched = "ex=0 unreadable";
  rig.desktop.hungThreads = {7};
  rig.Start();
  EXPECT_EQ(rig.State(a1), untouched);
  EXPECT_EQ(rig.State(a2), untouched);
  EXPECT_EQ(rig.shell.sticky.count(a1), 0u);
  EXPECT_EQ(rig.State(b), "ex=524288 key=0 alpha=128 flags=2");
  EXPECT_EQ(rig.shell.sticky.count(b), 1u);
  EXPECT_EQ(rig.log.Matching("ThreadAnswers"),
            (std::vector<std::string>{"ThreadAnswers 7 200", "ThreadAnswers 8 200"}));

  rig.desktop.hungThreads = {8};
  rig.log.Clear();
  rig.Broam("GlobalTransAdjust 100");  // two passes: each asks a thread at most once
  EXPECT_EQ(rig.log.Matching("ThreadAnswers").size(), 3u);
  EXPECT_EQ(rig.State(a1), "ex=524288 key=0 alpha=100 flags=2") << "answering again";
  EXPECT_EQ(rig.State(b), "ex=524288 key=0 alpha=128 flags=2") << "left as it was, recorded";

  rig.Broam("GlobalTransEnabled");  // off while thread 8 hangs
  EXPECT_EQ(rig.State(a1), untouched);
  EXPECT_EQ(rig.State(b), "ex=524288 key=0 alpha=128 flags=2");
  rig.desktop.hungThreads.clear();
  ApplyWindowControllers(rig.manager);  // the next pass, as after a plug-in's start
  EXPECT_EQ(rig.State(b), untouched) << "given back exactly once it answers";

  rig.Broam("GlobalTransEnabled");
  rig.desktop.hungThreads = {7};
  rig.log.Clear();
  EndManager(rig.manager, kModule);
  EXPECT_EQ(rig.State(a1), "ex=524288 key=0 alpha=100 flags=2") << "given up without waiting";
  EXPECT_EQ(rig.State(b), untouched);
  EXPECT_EQ(rig.log.Matching("ThreadAnswers 7").size(), 1u);
  EXPECT_EQ(rig.manager.controllers.changed.size(), 0);
}

TEST(WindowControllers, TheRecordIsBoundedAndDropsClosedWindows) {
  ControllerRig rig;
  rig.Set("Kestrane.plugin.GlobalTransparency:", "true");
  rig.Set("Kestrane.plugin.transClass0:", "Many");
  for (int i = 0; i < ChangedWindows::kCapacity; ++i) rig.desktop.AddWindow("Many", kApp);
  rig.Start();
  WindowHandle late = rig.desktop.AddWindow("Many", kApp);
  rig.desktop.FireWinEvent(winevent::kObjectCreate, late);
  EXPECT_EQ(rig.State(late), "ex=0 unreadable") << "nothing changed that could not be taken back";

  rig.desktop.windows.erase(rig.desktop.windows.begin());
  rig.desktop.FireWinEvent(winevent::kObjectCreate, late);
  EXPECT_EQ(rig.State(late), "ex=524288 key=0 alpha=0 flags=2");
  EndManager(rig.manager, kModule);
  EXPECT_EQ(rig.State(late), "ex=0 unreadable");
}

TEST(WindowControllers, WithoutLayeredWindowsNothingIsTouched) {
  ControllerRig rig;
  rig.kernel.version = {false, 4};
  rig.Set("Kestrane.plugin.GlobalTransparency:", "true");
  rig.Set("Kestrane.plugin.GlobalSticky:", "true");
  rig.Set("Kestrane.plugin.transClass0:", "Notepad");
  rig.Set("Kestrane.plugin.stickyClass0:", "Notepad");
  WindowHandle w = rig.desktop.AddWindow("Notepad", kApp);
  rig.Start();
  rig.Broam("GlobalTransAdjust 20");
  rig.manager.windowProc.OnMessage({rig.manager.managerWindow, kHostMsgReconfigure, 0, 0});
  EXPECT_EQ(rig.State(w), "ex=0 unreadable");
  EXPECT_EQ(rig.shell.sticky.count(w), 0u);
  EXPECT_TRUE(rig.desktop.hooks.empty());
}

}  // namespace
}  // namespace kestrane
