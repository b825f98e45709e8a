#include "controllers/class_capture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "controllers/menu_clipper.h"
#include "core/startup.h"
#include "host/shell_messages.h"
#include "test_rig.h"

namespace kestrane {
namespace {

using testing::TestRig;

const ModuleHandle kModule{0x400000};
constexpr const char *kApp = "C:\\Apps\\app.exe";

struct CaptureRig : TestRig {
  CaptureRig() {
    shell.Set(OwnRcFile(), "Kestrane.plugin.transClass0:", "Used0");
    shell.Set(OwnRcFile(), "Kestrane.plugin.transClass1:", "Used1");
    shell.Set(OwnRcFile(), "Kestrane.plugin.transClass3:", "Used3");
    target = desktop.AddWindow("Frame", kApp);
    textBox = desktop.AddWindow("Edit", kApp);
    desktop.Window(textBox).topLevel = false;
    EXPECT_EQ(StartManager(manager, kModule), 0);
    log.Clear();
  }
  void Broam(const std::string &command) {
    std::string text = "@KestraneInternal " + command;
    manager.windowProc.OnMessage(
        {manager.managerWindow, kHostMsgBroam, 0, reinterpret_cast<std::intptr_t>(text.c_str())});
  }
  int KeyboardHooks() const {
    int n = 0;
    for (const auto &[handle, hook] : desktop.hooks) n += hook.keys != nullptr;
    return n;
  }
  std::vector<std::string> ClassWrites() const {
    return log.Matching("WriteString Kestrane.plugin");
  }
  WindowHandle target, textBox;
};

TEST(ClassCapture, SpaceIsOnlyPostedByTheHookAndCapturedByTheWindowProcedure) {
  CaptureRig rig;
  // A request while the explanation is open is dropped: the first request's capture goes on.
  rig.desktop.whileShown = [&](const testing::ShownBox &) {
    rig.desktop.whileShown = nullptr;
    rig.Broam("GlobalStickyAdd");
  };
  rig.Broam("GlobalTransAdd");
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].caption, "Kestrane 0.7b");
  EXPECT_EQ(rig.desktop.boxes[0].style, 0x40040u);
  EXPECT_NE(rig.desktop.boxes[0].text.find("classes to apply transparency to :)\n\n Hint"),
            std::string::npos);
  EXPECT_LT(rig.log.IndexOf("MessageBox"), rig.log.IndexOf("InstallKeyboardHook"));
  EXPECT_EQ(rig.KeyboardHooks(), 1);

  rig.desktop.underCursor = rig.target;
  rig.desktop.PressKey(keys::kSysKeyDown, keys::kSpace, keys::kFlagAltDown);  // Alt+space
  rig.desktop.PressKey(keys::kKeyDown, 'A');
  EXPECT_TRUE(rig.desktop.posted.empty());

  rig.desktop.underCursor = rig.textBox;
  rig.desktop.PressKey(keys::kKeyDown, keys::kSpace);
  rig.desktop.PressKey(keys::kKeyDown, keys::kSpace);  // auto-repeat: one post is enough
  EXPECT_EQ(rig.desktop.posted.size(), 1u);
  EXPECT_TRUE(rig.ClassWrites().empty()) << "nothing heavy inside the hook";
  EXPECT_EQ(rig.log.IndexOf("WindowAt"), -1);

  rig.desktop.DeliverPosted();
  EXPECT_EQ(rig.ClassWrites(),
            std::vector<std::string>{"WriteString Kestrane.plugin.transClass2: Edit"});
  EXPECT_EQ(rig.manager.transClasses.slots[2].view(), "Edit");
  EXPECT_TRUE(rig.manager.stickyClasses.slots[0].empty());
  EXPECT_EQ(rig.KeyboardHooks(), 0);
  EXPECT_NE(rig.log.IndexOf("EnumWindows"), -1) << "the new class applied at once";
  EXPECT_EQ(rig.desktop.boxes.size(), 1u);

  // Captured while the controller is off: stored, and no window changes.
  EXPECT_TRUE(rig.log.Matching("SetLayeredAttributes").empty());
}

TEST(ClassCapture, EscapeCancelsAndAFullListTakesNothing) {
  CaptureRig rig;
  rig.desktop.underCursor = rig.target;
  rig.Broam("GlobalStickyAdd");
  EXPECT_NE(rig.desktop.boxes[0].text.find("classes to make sticky :)"), std::string::npos);
  rig.desktop.PressKey(keys::kKeyDown, keys::kEscape);
  rig.desktop.DeliverPosted();
  EXPECT_EQ(rig.KeyboardHooks(), 0);
  rig.desktop.PressKey(keys::kKeyDown, keys::kSpace);
  rig.desktop.DeliverPosted();
  EXPECT_TRUE(rig.ClassWrites().empty());
  EXPECT_EQ(rig.desktop.boxes.size(), 1u) << "cancelled without a message";

  for (int i = 0; i < kClassSlots; ++i) rig.manager.stickyClasses.slots[i] = "Full";
  rig.Broam("GlobalStickyAdd");  // a new capture after the cancelled one
  rig.desktop.PressKey(keys::kKeyDown, keys::kSpace);
  rig.desktop.DeliverPosted();
  ASSERT_EQ(rig.desktop.boxes.size(), 3u);
  EXPECT_EQ(rig.desktop.boxes[2].text, "You have filled all the available slots!");
  EXPECT_EQ(rig.desktop.boxes[2].style, 0x40010u);
  EXPECT_EQ(rig.desktop.boxes[2].owner, kNoWindow);
  EXPECT_TRUE(rig.ClassWrites().empty());
  EXPECT_EQ(rig.KeyboardHooks(), 0);
}

// The system removes a low-level hook that once took too long without telling its owner, and a
// key's message may not get posted: neither may leave capture stuck until the shell restarts.
TEST(ClassCapture, AnArmedCaptureCanBeRequestedAgainAfterItsHookOrKeyWasLost) {
  CaptureRig rig;
  rig.desktop.underCursor = rig.target;
  rig.Broam("GlobalTransAdd");
  ASSERT_EQ(rig.KeyboardHooks(), 1);
  rig.desktop.hooks.clear();  // gone without a word

  rig.Broam("GlobalStickyAdd");  // a fresh request: explained, for its own list, hooked anew
  ASSERT_EQ(rig.desktop.boxes.size(), 2u);
  EXPECT_NE(rig.desktop.boxes[1].text.find("classes to make sticky :)"), std::string::npos);
  EXPECT_EQ(rig.KeyboardHooks(), 1);
  rig.Broam("GlobalTransAdd");  // armed and hooked: replaced, never a second hook
  EXPECT_EQ(rig.desktop.boxes.size(), 3u);
  EXPECT_EQ(rig.KeyboardHooks(), 1);

  rig.desktop.failPost = true;
  rig.desktop.PressKey(keys::kKeyDown, keys::kSpace);
  rig.desktop.failPost = false;
  rig.desktop.PressKey(keys::kKeyDown, keys::kSpace);
  rig.desktop.DeliverPosted();
  EXPECT_EQ(rig.ClassWrites(),
            std::vector<std::string>{"WriteString Kestrane.plugin.transClass2: Frame"});
  EXPECT_EQ(rig.KeyboardHooks(), 0);
}

TEST(ClassCapture, ShutDownLeavesNoKeyboardHookWhetherArmedOrExplaining) {
  {
    CaptureRig rig;
    rig.Broam("GlobalTransAdd");
    ASSERT_EQ(rig.KeyboardHooks(), 1);
    EndManager(rig.manager, kModule);
    EXPECT_TRUE(rig.desktop.hooks.empty());
  }
  {
    CaptureRig rig;  // the shell ends Kestrane while the explanation is still open
    rig.desktop.whileShown = [&](const testing::ShownBox &) { EndManager(rig.manager, kModule); };
    rig.Broam("GlobalTransAdd");
    EXPECT_TRUE(rig.desktop.hooks.empty());
    EXPECT_EQ(rig.log.IndexOf("InstallKeyboardHook"), -1);
  }
}

TEST(MenuClipper, OneHookHidesMenusForProgramsOutsideTheWholeShellFolder) {
  TestRig rig;
  const std::string deep = "C:\\Program Files\\Corvane Desktop Shell\\Release 2004\\Profile\\";
  rig.shell.folder = deep;  // longer than 49 characters
  rig.shell.Set(rig.OwnRcFile(), "Kestrane.plugin.menuclipper.enabled:", "true");
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  rig.manager.windowProc.OnMessage({rig.manager.managerWindow, kHostMsgReconfigure, 0, 0});
  const auto &calls = rig.log.entries();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "InstallWinEventHook 3"), 1)
      << "never a second hook";

  auto hidesFor = [&](const std::string &program) {
    WindowHandle w = rig.desktop.AddWindow("Any", program);
    rig.shell.sent.clear();
    rig.desktop.FireWinEvent(winevent::kSystemForeground, w);
    int hides = 0;
    for (const auto &sent : rig.shell.sent) {
      if (sent.message == kHostMsgHideMenus && sent.to == rig.shell.coreWindow) ++hides;
    }
    return hides;
  };
  EXPECT_EQ(hidesFor(deep + "Tools\\VIEWER.EXE"), 0);
  EXPECT_EQ(hidesFor("C:\\Program Files\\Editor\\editor.exe"), 1);
  EXPECT_EQ(hidesFor(""), 1) << "a program whose name cannot be read";

  rig.manager.windowProc.OnMessage(
      {rig.manager.managerWindow, kHostMsgBroam, 0,
       reinterpret_cast<std::intptr_t>("@KestraneInternal MenuClipperEnabled")});
  EXPECT_FALSE(MenuClipperRunning(rig.manager));
  for (const auto &[handle, hook] : rig.desktop.hooks)
    EXPECT_NE(hook.event, winevent::kSystemForeground);
  EXPECT_EQ(hidesFor("C:\\Program Files\\Editor\\editor.exe"), 0);
}

}  // namespace
}  // namespace kestrane
