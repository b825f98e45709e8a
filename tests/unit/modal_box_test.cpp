// Kestrane's boxes and dialogs run a modal loop on the window thread: commands that come while
// one is open, and a shut-down inside one.
#include <gtest/gtest.h>

#include <set>

#include "core/start_journal.h"
#include "core/startup.h"
#include "host/shell_messages.h"
#include "plugin_rig.h"

namespace kestrane {
namespace {

using testing::PluginRig;
using testing::ShownBox;

const ModuleHandle kModule{0x400000};

// Started over a.dll (running), f.dll (faults in beginPlugin) and n.dll (no endPlugin), the
// last two switched off; commands come through the window procedure, as the shell sends them.
struct ModalRig : PluginRig {
  ModalRig() {
    Library("a.dll");
    Library("b.dll");
    Library("f.dll").faults["beginPlugin"] = testing::FaultAt(0x10);
    Library("n.dll").hasEndPlugin = false;
    WriteList("a.dll\r\n!f.dll\r\n!n.dll\r\n");
  }
  void Start() {
    ASSERT_EQ(StartManager(manager, kModule), 0);
    desktop.boxes.clear();
  }
  void Command(const std::string &command) {
    const std::string text = "@KestraneInternal " + command;
    manager.windowProc.OnMessage(
        {manager.managerWindow, kHostMsgBroam, 0, reinterpret_cast<std::intptr_t>(text.c_str())});
  }
  // Ends Kestrane, once, as the shell would from inside the open box; notes how many calls
  // the doubles had seen by then, and the list file.
  void EndInsideTheBox() {
    if (ended) return;
    ended = true;
    EndManager(manager, kModule);
    callsAtEnd = log.entries().size();
    listAtEnd = ReadList();
  }
  bool ended = false;
  std::size_t callsAtEnd = 0;
  std::string listAtEnd;
};

// A second "AddPlugin" while the first one's duplicate question is open takes the free slot;
// the first add then takes the next one instead of linking over it.
TEST(ModalBoxes, AnAddWhileTheDuplicateQuestionIsOpenKeepsItsSlot) {
  ModalRig rig;
  rig.Start();
  rig.desktop.chosenFiles = {"c:\\corvane\\a.dll", "c:\\corvane\\b.dll"};
  rig.desktop.answers = {box::kAnswerYes};
  bool nested = false;
  rig.desktop.whileShown = [&](const ShownBox &b) {
    if (nested || b.text.rfind("You have already added", 0) != 0) return;
    nested = true;
    rig.Command("AddPlugin");
  };
  rig.Command("AddPlugin");
  ASSERT_TRUE(nested);

  const PluginEntry *slots = rig.manager.plugins.slots;
  EXPECT_EQ(slots[3].path.view(), "c:\\corvane\\b.dll");
  EXPECT_EQ(slots[4].path.view(), "c:\\corvane\\a.dll");
  EXPECT_TRUE(slots[3].running);
  EXPECT_TRUE(slots[4].running);
  // Every library loaded belongs to a slot: none runs that nothing would end or free.
  std::set<ModuleHandle> inSlots;
  for (int i = 0; i < kMaxPlugins; ++i) {
    if (slots[i].inUse && slots[i].module != kNoModule) inSlots.insert(slots[i].module);
  }
  EXPECT_EQ(inSlots.size(), rig.libraries.loaded.size());
  EXPECT_EQ(rig.ReadList(), "a.dll\r\n!f.dll\r\n!n.dll\r\n\r\n!b.dll\r\n!a.dll");
  EXPECT_EQ(rig.kernel.heldModules, 0);  // each box gave its hold on the library back
}

// The shell ends Kestrane while one of its boxes or dialogs is open. When it returns, Kestrane
// asks nothing more of the shell, the system or a plug-in, and keeps the box's hold on its
// library: the shell may have freed it meanwhile.
TEST(ModalBoxes, ShutDownInsideEachKindOfBoxTouchesNothingAfterwards) {
  struct Case {
    const char *command;
    const char *chosen;  // for the open-file dialog
    const char *box;     // how its text begins; null: the open-file dialog itself
  };
  const Case cases[] = {
      {"AddPlugin", "c:\\corvane\\b.dll", nullptr},
      {"AddPlugin", "c:\\corvane\\a.dll", "You have already added"},
      {"AddPlugin", "d:\\outside\\b.dll", "Using plugins from a directory outside"},
      {"TogglePlugin 1", "", "f.dll faulted in beginPlugin"},
      {"TogglePlugin 2", "", "Could not link to plugin functions"},
      {"GlobalTransAdd", "", "The next time you press the space bar"},
      {"AboutPlugins", "", ""},
  };
  for (const Case &c : cases) {
    const std::string what = std::string(c.command) + " " + (c.box ? c.box : "(dialog)");
    ModalRig rig;
    rig.Start();
    rig.desktop.chosenFiles = {c.chosen};
    rig.desktop.answers = {box::kAnswerYes};
    if (c.box == nullptr) {
      rig.desktop.whileChoosing = [&] { rig.EndInsideTheBox(); };
    } else {
      rig.desktop.whileShown = [&](const ShownBox &b) {
        if (b.text.rfind(c.box, 0) == 0) rig.EndInsideTheBox();
      };
    }
    rig.Command(c.command);
    ASSERT_TRUE(rig.ended) << what;
    EXPECT_EQ(rig.log.entries().size(), rig.callsAtEnd) << what << ": " << rig.log.entries().back();
    EXPECT_EQ(rig.kernel.heldModules, 1) << what;
    EXPECT_EQ(rig.ReadList(), rig.listAtEnd) << what;
  }
}

// The same at start-up, in the question after a session that did not end normally: the start
// fails quietly, having linked nothing.
TEST(ModalBoxes, ShutDownInsideAStartUpQuestionEndsTheStart) {
  ModalRig rig;
  StartJournal left;  // a session that never reached its endPlugin
  left.Begin((rig.ListPath() + ".journal").c_str(), rig.kernel);
  rig.desktop.whileShown = [&](const ShownBox &b) {
    if (b.text.rfind("The shell did not end normally", 0) == 0) rig.EndInsideTheBox();
  };
  EXPECT_EQ(StartManager(rig.manager, kModule), 1);
  ASSERT_TRUE(rig.ended);
  EXPECT_EQ(rig.log.entries().size(), rig.callsAtEnd) << rig.log.entries().back();
  EXPECT_TRUE(rig.libraries.loaded.empty());
  EXPECT_EQ(rig.kernel.heldModules, 1);
}

}  // namespace
}  // namespace kestrane
