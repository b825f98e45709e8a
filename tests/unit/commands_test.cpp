#include "ui/commands.h"

#include <gtest/gtest.h>

#include "controllers/class_capture.h"
#include "core/list_file.h"
#include "core/plugin_table.h"
#include "host/shell_messages.h"
#include "plugin_rig.h"
#include "ui/manager_window_proc.h"
#include "update/update_worker.h"

namespace kestrane {
namespace {

using testing::PluginRig;
using testing::WithInfo;

// A started manager over plug-ins a.dll (running), b.dll (disabled), s.dll (slit-only).
struct CommandRig : PluginRig {
  CommandRig() {
    Library("a.dll") = WithInfo({{1, "Alpha"}, {7, "@Alpha Go"}});
    Library("b.dll");
    Library("s.dll").hasBeginSlitPlugin = true;
    WriteList("a.dll\r\n!b.dll\r\ns.dll\r\n");
    manager.slitWindow = WindowHandle{0x5117};
    ReadSettings(manager);
    ReadPluginList(manager);
    StartAllPlugins(manager);
    manager.managerWindow = window;
    manager.coreWindow = shell.coreWindow;
    manager.layeredSupported = true;
    desktop.windows[window] = testing::FakeWindow{"Kestrane", 0x80};
    desktop.windows[window].visible = true;
    log.Clear();
  }
  void Broam(const std::string &text) { HandleBroam(manager, text.c_str()); }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> out;
    for (const auto &m : shell.sent) {
      if (m.message == kHostMsgStatusText) out.push_back(m.text);
    }
    return out;
  }
  std::string Stored(const std::string &key) {
    return shell.files[manager.configFile.c_str()][key];
  }
  WindowHandle window{0x77};
};

TEST(Commands, PrefixInAnyCaseSpacesSkippedAndStatusRepeatsTheCommand) {
  CommandRig rig;
  rig.Broam("@kestraneINTERNAL    alwaysontop");
  EXPECT_FALSE(rig.manager.settings.alwaysOnTop);
  EXPECT_EQ(rig.Statuses(), std::vector<std::string>{"Kestrane -> alwaysontop disabled!"});
  EXPECT_EQ(rig.Stored("Kestrane.plugin.alwaysontop:"), "false");
  EXPECT_FALSE(rig.desktop.Window(rig.window).topMost);  // applied at once
  ASSERT_EQ(rig.shell.shown.size(), 1u);                 // and the menu rebuilt, not popped up
  EXPECT_FALSE(rig.shell.Menu(rig.shell.shown[0]).popup);

  rig.Broam("@KestraneInternal AlwaysOnTop");
  EXPECT_TRUE(rig.manager.settings.alwaysOnTop);
  EXPECT_EQ(rig.Statuses().back(), "Kestrane -> AlwaysOnTop enabled!");
}

TEST(Commands, EveryFlipSettingRowWritesItsKey) {
  const std::pair<const char *, const char *> rows[] = {
      {"AlwaysOnTop", "Kestrane.plugin.alwaysontop:"},
      {"SnapWindowToEdge", "Kestrane.plugin.snapwindow:"},
      {"TransparencyEnabled", "Kestrane.plugin.transparency.enabled:"},
      {"TransbackEnabled", "Kestrane.plugin.transback.enabled:"},
      {"MenuClipperEnabled", "Kestrane.plugin.menuclipper.enabled:"},
      {"GlobalTransEnabled", "Kestrane.plugin.GlobalTransparency:"},
      {"GlobalStickyEnabled", "Kestrane.plugin.GlobalSticky:"},
      {"ToggleWithPlugins", "Kestrane.plugin.togglewithplugins:"},
  };
  for (const auto &[command, key] : rows) {
    CommandRig rig;
    rig.Broam(std::string("@KestraneInternal ") + command);
    EXPECT_EQ(rig.log.Matching("WriteBool").size(), 1u) << command;
    EXPECT_NE(rig.log.IndexOf(std::string("WriteBool ") + key), -1) << command;
    EXPECT_EQ(rig.Statuses().size(), 1u) << command;
  }
}

TEST(Commands, UnmatchedTextsAreIgnored) {
  CommandRig rig;
  for (const char *text :
       {"@KestraneInternal AlwaysOnTop ", "@KestraneInternal TransparencyAlpha",
        "@KestraneInternal", "@KestraneInternal Nothing", "KestraneInternal AlwaysOnTop",
        "@Kestrane AlwaysOnTop", "@CVShowPluginsX", "", "@KestraneInternal alwaysontop\n"}) {
    rig.Broam(text);
  }
  EXPECT_TRUE(rig.shell.sent.empty());
  EXPECT_TRUE(rig.log.Matching("Write").empty());
  EXPECT_TRUE(rig.manager.settings.alwaysOnTop);
}

// Only the first word names a command, in any letter case: what follows it may hold any
// command's name, and a name inside another word is none.
TEST(Commands, TheFirstWordAloneNamesTheCommand) {
  CommandRig rig;
  for (const char *text :
       {"SendPluginBroam @Notes Edit today.txt", "SendPluginBroam @TogglePlugin 0",
        "sendpluginbroam   @Alpha Go \t", "Edit TogglePlugin 0", "XTogglePlugin 0",
        "TogglePluginX 0", "EditX Kestrane.rc"}) {
    rig.Broam(std::string("@KestraneInternal ") + text);
  }
  std::vector<std::string> sent;
  for (const auto &message : rig.shell.sent) {
    EXPECT_EQ(message.message, kHostMsgBroam);
    sent.push_back(message.text);
  }
  EXPECT_EQ(sent,
            (std::vector<std::string>{"@Notes Edit today.txt", "@TogglePlugin 0", "@Alpha Go"}));
  EXPECT_EQ(
      rig.log.Matching("CVExecute"),
      std::vector<std::string>{"CVExecute C:\\Tools\\edit.exe " + rig.folder + "/TogglePlugin 0"});
  EXPECT_TRUE(rig.manager.plugins.slots[0].running);
  rig.Broam("@KestraneInternal toggleplugin 0");
  EXPECT_FALSE(rig.manager.plugins.slots[0].running);
}

TEST(Commands, IndexRowsCheckRangeUseAndArgument) {
  CommandRig rig;
  for (const char *text :
       {"TogglePlugin 100", "TogglePlugin -1", "TogglePlugin 7", "TogglePlugin", "RemovePlugin 99",
        "ToggleSlitAid 0", "PluginBroams 100", "PluginBroams", "GlobalTransRem 50",
        "GlobalStickyRem -1", "GlobalTransRem", "GlobalTransAdjust"}) {
    CarryOutCommand(rig.manager, text);
  }
  EXPECT_TRUE(rig.log.entries().empty());
  EXPECT_TRUE(rig.desktop.boxes.empty());

  CarryOutCommand(rig.manager, "TogglePlugin   1xyz");  // blanks skipped, digits up to the x
  EXPECT_TRUE(rig.manager.plugins.slots[1].running);
  CarryOutCommand(rig.manager, "TogglePlugin x");  // no digits: slot 0
  EXPECT_FALSE(rig.manager.plugins.slots[0].running);
  EXPECT_EQ(rig.ReadList(), "!a.dll\r\nb.dll\r\ns.dll\r\n");

  CarryOutCommand(rig.manager, "ToggleSlitAid 2");
  EXPECT_TRUE(rig.manager.plugins.slots[2].wantsSlit);
  CarryOutCommand(rig.manager, "RemovePlugin 1");
  EXPECT_FALSE(rig.manager.plugins.slots[1].inUse);
  EXPECT_EQ(rig.ReadList(), "!a.dll\r\n&s.dll\r\n");

  EXPECT_EQ(CommandIndex("X 99999999999"), 2147483647);
  EXPECT_EQ(CommandIndex("X -7"), -7);
  EXPECT_EQ(CommandIndex("X"), std::nullopt);
}

TEST(Commands, TransparencyAlphaStoresTheNumberAndAppliesItsLowBits) {
  CommandRig rig;
  rig.manager.settings.transparencyEnabled = true;
  rig.Broam("@KestraneInternal transparencyalpha 300");
  EXPECT_EQ(rig.manager.settings.transparencyAlpha, 300);
  EXPECT_EQ(rig.Stored("Kestrane.plugin.transparency.alpha:"), "300");
  EXPECT_EQ(rig.desktop.Window(rig.window).alpha, 44u);
  EXPECT_TRUE(rig.Statuses().empty());  // no announcement, no menu
  EXPECT_TRUE(rig.shell.shown.empty());
}

TEST(Commands, ClassRemovalAndControllerAlpha) {
  CommandRig rig;
  rig.manager.transClasses.slots[3] = "Notepad";
  rig.manager.stickyClasses.slots[49] = "Shell_TrayWnd";
  rig.Broam("@KestraneInternal GlobalTransRem 3");
  rig.Broam("@KestraneInternal GlobalStickyRem 49");
  rig.Broam("@KestraneInternal GlobalTransAdjust 128");
  EXPECT_TRUE(rig.manager.transClasses.slots[3].empty());
  EXPECT_TRUE(rig.manager.stickyClasses.slots[49].empty());
  EXPECT_EQ(rig.shell.files[rig.manager.configFile.c_str()]["Kestrane.plugin.transClass3:"], "");
  EXPECT_NE(rig.log.IndexOf("WriteString Kestrane.plugin.stickyClass49: "), -1);
  EXPECT_EQ(rig.manager.settings.globalTransAlpha, 128);
  EXPECT_EQ(rig.Stored("Kestrane.plugin.GlobTransAlpha:"), "128");
}

TEST(Commands, EditOpensTheFileBesideKestraneInTheEditor) {
  CommandRig rig;
  rig.Broam("@KestraneInternal Edit Kestrane.rc");
  EXPECT_EQ(
      rig.log.Matching("CVExecute"),
      std::vector<std::string>{"CVExecute C:\\Tools\\edit.exe " + rig.folder + "/Kestrane.rc"});
  rig.log.Clear();
  rig.Broam("@KestraneInternal Edit");                           // no file named
  rig.Broam("@KestraneInternal Edit " + std::string(300, 'x'));  // too long to name a file
  EXPECT_TRUE(rig.log.Matching("CVExecute").empty());
}

TEST(Commands, BoxesOfAboutAndAboutPlugins) {
  CommandRig rig;
  rig.Broam("@KestraneInternal About");
  rig.Broam("@KestraneInternal AboutPlugins");
  rig.Broam("@KestraneInternal PluginBroams 0");
  ASSERT_EQ(rig.desktop.boxes.size(), 3u);
  EXPECT_EQ(rig.desktop.boxes[0].caption, "About this plugin...");
  EXPECT_EQ(rig.desktop.boxes[0].text.rfind("Kestrane 0.7b\n\nAuthor : ", 0), 0u);
  EXPECT_NE(rig.desktop.boxes[0].text.find("\nWeb: "), std::string::npos);
  EXPECT_NE(rig.desktop.boxes[0].text.find("\nEmail: "), std::string::npos);
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kIconInformation);
  EXPECT_EQ(rig.desktop.boxes[1].caption, "About Plugins...");
  EXPECT_EQ(rig.desktop.boxes[2].text, "Alpha\n\n@Alpha Go\n");
}

// The update commands start their workers from the window thread: one check at a time, one
// update at a time (the busy index), nothing for a slot not in use.
TEST(Commands, UpdateCommandsStartOneWorkerEach) {
  CommandRig rig;
  rig.Broam("@KestraneInternal UpdatePlugin 7");
  EXPECT_EQ(rig.manager.busyIndex.load(), -1);
  rig.Broam("@KestraneInternal CheckForUpdates");
  rig.Broam("@KestraneInternal CheckForUpdates");
  rig.Broam("@KestraneInternal UpdatePlugin 0");
  rig.Broam("@KestraneInternal UpdatePlugin 0");
  EXPECT_EQ(rig.manager.busyIndex.load(), 0);
  EXPECT_EQ(rig.kernel.threadsStarted, 3);  // the check, the gear, the update
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "You must wait for current download\nto complete before starting another!");
  // Without Kestrane's window the workers cannot ask for their slots and end at once.
  for (auto &[routine, argument] : rig.kernel.pending) {
    if (argument != &rig.manager) routine(argument);
  }
}

TEST(SlitToggle, DocksAndReleasesAndAlwaysAnnounces) {
  CommandRig rig;
  rig.manager.settings.x = 300;
  rig.Broam("@KestraneInternal SlitToggle");
  EXPECT_TRUE(rig.manager.settings.inSlit);
  ASSERT_EQ(rig.shell.sent.size(), 2u);
  EXPECT_EQ(rig.shell.sent[0].message, kSlitMsgAddWindow);
  EXPECT_EQ(rig.shell.sent[0].lParam, static_cast<std::intptr_t>(rig.window));
  EXPECT_EQ(rig.Statuses(), std::vector<std::string>{"Kestrane -> SlitToggle enabled!"});
  EXPECT_EQ(rig.Stored("Kestrane.plugin.inSlit:"), "true");
  EXPECT_LT(rig.log.IndexOf("SetExStyle"), rig.log.IndexOf("Send 11001"));  // unlayered first

  rig.log.Clear();
  rig.shell.sent.clear();
  rig.Broam("@KestraneInternal SlitToggle");
  EXPECT_FALSE(rig.manager.settings.inSlit);
  EXPECT_EQ(rig.shell.sent[0].message, kSlitMsgRemoveWindow);
  EXPECT_NE(rig.log.IndexOf("SetWindowPos 300 10 0 0 flags=5"), -1);
  EXPECT_EQ(rig.Stored("Kestrane.plugin.inSlit:"), "false");

  rig.manager.slitWindow = kNoWindow;  // no Slit: nothing changes, yet it is announced
  rig.shell.sent.clear();
  rig.Broam("@KestraneInternal SlitToggle");
  EXPECT_FALSE(rig.manager.settings.inSlit);
  EXPECT_EQ(rig.Statuses(), std::vector<std::string>{"Kestrane -> SlitToggle disabled!"});
}

TEST(ShowAndHide, FollowTheShellOnlyWhenFloatingAndAsked) {
  CommandRig rig;
  rig.Broam("@cvhideplugins");
  EXPECT_TRUE(rig.manager.hiddenByHost);
  EXPECT_FALSE(rig.desktop.Window(rig.window).visible);
  rig.Broam("@CVShowPlugins");
  EXPECT_TRUE(rig.desktop.Window(rig.window).visible);

  rig.manager.settings.toggleWithPlugins = false;
  rig.Broam("@CVHidePlugins");
  EXPECT_TRUE(rig.desktop.Window(rig.window).visible);

  rig.manager.settings.toggleWithPlugins = true;
  rig.manager.hiddenByHost = false;
  rig.manager.settings.inSlit = true;
  rig.log.Clear();
  rig.Broam("@CVHidePlugins");
  EXPECT_FALSE(rig.manager.hiddenByHost);
  EXPECT_TRUE(rig.log.entries().empty());
}

TEST(Reconfigure, StopsRereadsAndRestartsInOrderKeepingSwitchedPlugins) {
  CommandRig rig;
  CarryOutCommand(rig.manager, "TogglePlugin 0");  // a off
  CarryOutCommand(rig.manager, "TogglePlugin 1");  // b on
  rig.log.Clear();
  rig.shell.Set(rig.manager.configFile.c_str(), "Kestrane.plugin.x:", "55");
  rig.manager.windowProc.OnMessage({rig.window, kHostMsgReconfigure, 0, 0});
  EXPECT_EQ(rig.manager.settings.x, 55);
  int stop = rig.log.IndexOf("call endPlugin"), read = rig.log.IndexOf("ReadInt");
  int style = rig.log.IndexOf("GetSettingPtr 1"), place = rig.log.IndexOf("SetWindowPos");
  int start = rig.log.IndexOf("call begin");
  EXPECT_LT(stop, read);
  EXPECT_LT(read, style);
  EXPECT_LT(style, place);
  EXPECT_LT(place, start);
  EXPECT_EQ(rig.log.Matching("call begin"),
            (std::vector<std::string>{"call beginPlugin c:\\corvane\\b.dll",
                                      "call beginPlugin c:\\corvane\\s.dll"}));
}

TEST(WindowMessages, HitTestCloseMovesAndRightClicks) {
  CommandRig rig;
  ManagerWindowProc &proc = rig.manager.windowProc;
  EXPECT_EQ(proc.OnMessage({rig.window, wm::kNcHitTest, 0, 0}).value, kHitCaption);
  MessageResult close = proc.OnMessage({rig.window, wm::kClose, 0, 0});
  EXPECT_TRUE(close.handled);
  EXPECT_TRUE(rig.desktop.windows.count(rig.window));

  proc.OnMessage({rig.window, wm::kWindowPosChanging, 0, 0x1234});
  EXPECT_EQ(rig.shell.snapped, std::vector<std::intptr_t>{0x1234});
  EXPECT_NE(rig.log.IndexOf("SnapWindowToEdge 10 1"), -1);
  WindowMessage moved{rig.window, wm::kWindowPosChanged, 0, 0};
  moved.x = 123;
  moved.y = -5;
  proc.OnMessage(moved);
  EXPECT_EQ(rig.manager.settings.x, 123);
  EXPECT_LT(rig.log.IndexOf("WriteInt Kestrane.plugin.x: 123"),
            rig.log.IndexOf("WriteInt Kestrane.plugin.y: -5"));

  proc.OnMessage({rig.window, wm::kNcRButtonUp, 0, 0});
  ASSERT_EQ(rig.shell.shown.size(), 1u);
  EXPECT_TRUE(rig.shell.Menu(rig.shell.shown[0]).popup);

  rig.manager.settings.snapWindow = false;  // no snapping; docked: nothing stored either
  rig.manager.settings.inSlit = true;
  rig.log.Clear();
  proc.OnMessage({rig.window, wm::kWindowPosChanging, 0, 0x1234});
  proc.OnMessage(moved);
  EXPECT_TRUE(rig.log.entries().empty());
  EXPECT_EQ(proc.OnMessage({rig.window, wm::kNcHitTest, 0, 0}).value, kHitClient);
  proc.OnMessage({rig.window, wm::kRButtonUp, 0, 0});
  EXPECT_EQ(rig.shell.shown.size(), 2u);
  EXPECT_FALSE(proc.OnMessage({rig.window, 0x0200, 0, 0}).handled);  // default procedure
}

// Any program can post these numbers to Kestrane's window: only what Kestrane itself sent is
// carried out.
TEST(WindowMessages, PrivateNumbersAndBroamsFromOtherProgramsAreNoCalls) {
  CommandRig rig;
  auto post = [&](unsigned id, std::uintptr_t wParam, const void *lParam) {
    rig.manager.windowProc.OnMessage(
        {rig.window, id, wParam, reinterpret_cast<std::intptr_t>(lParam)});
  };
  // A worker call that no worker sent, at a place a real one could take.
  bool ran = false;
  WorkerCall madeUp;
  madeUp.epoch = rig.manager.updates.epoch.load();
  madeUp.run = [](Manager &, void *flag) { *static_cast<bool *>(flag) = true; };
  madeUp.task = &ran;
  post(kWorkerCallMessage, 0, &madeUp);
  EXPECT_FALSE(ran);

  // A capture's key while a capture is armed but no key was pressed.
  rig.Broam("@KestraneInternal GlobalTransAdd");
  ASSERT_NE(rig.manager.controllers.captureHook, kNoHook);
  rig.log.Clear();
  post(kMsgCaptureKey, keys::kSpace, nullptr);
  post(kMsgCaptureKey, keys::kSpace, reinterpret_cast<const void *>(1));
  EXPECT_TRUE(rig.log.Matching("WindowAt").empty());
  EXPECT_NE(rig.manager.controllers.captureHook, kNoHook);  // still armed

  // A bro@m whose text cannot be read.
  const char *command = "@KestraneInternal AlwaysOnTop";
  rig.libraries.unreadableTexts.insert(command);
  post(kHostMsgBroam, 0, command);
  EXPECT_TRUE(rig.Statuses().empty());
  EXPECT_TRUE(rig.manager.settings.alwaysOnTop);
}

}  // namespace
}  // namespace kestrane
