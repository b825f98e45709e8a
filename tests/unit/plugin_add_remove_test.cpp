#include "core/plugin_add_remove.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/plugin_about.h"
#include "core/plugin_table.h"
#include "host/shell_messages.h"
#include "plugin_rig.h"

namespace kestrane {
namespace {

using testing::PluginRig;
using testing::WithInfo;

struct AddRig : PluginRig {
  AddRig() {
    Library("plugins\\a.dll");
    Library("plugins\\b.dll");
    libraries.available["d:\\outside\\c.dll"] = {};
  }
  void Add(const std::string &chosen) {
    desktop.chosenFiles.push_back(chosen);
    AddPluginFromDialog(manager);
  }
};

TEST(AddPlugin, LinksStartsAndAppendsADisabledLine) {
  AddRig rig;
  rig.WriteList("");
  rig.ReadAll();
  rig.Add("C:\\Corvane\\Plugins\\A.dll");
  EXPECT_NE(rig.log.IndexOf("ChooseFile Kestrane - Select a .dll Dll Files *.dll"), -1);
  const PluginEntry &e = rig.manager.plugins.slots[0];
  EXPECT_TRUE(e.running);
  EXPECT_FALSE(e.enabled);
  EXPECT_EQ(e.path.view(), "c:\\corvane\\plugins\\a.dll");
  EXPECT_EQ(rig.ReadList(), "\r\n!plugins\\a.dll");  // an empty first line, then the plug-in

  rig.Add("plugins\\b.dll");  // relative to the shell's folder
  EXPECT_TRUE(rig.manager.plugins.slots[1].running);
  EXPECT_EQ(rig.ReadList(), "\r\n!plugins\\a.dll\r\n!plugins\\b.dll");
  EXPECT_TRUE(rig.desktop.boxes.empty());
}

TEST(AddPlugin, CancelledDialogChangesNothing) {
  AddRig rig;
  rig.WriteList("");
  rig.ReadAll();
  AddPluginFromDialog(rig.manager);
  EXPECT_EQ(rig.ReadList(), "");
  EXPECT_TRUE(rig.libraries.loaded.empty());
}

TEST(AddPlugin, DuplicateAsksAndOutsideFolderRefuses) {
  AddRig rig;
  rig.WriteList("plugins\\a.dll\r\n");
  rig.ReadAll();
  rig.desktop.answers = {box::kAnswerNo};
  rig.Add("c:\\corvane\\plugins\\a.dll");
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "You have already added this plugin.\nAre you sure you want to add another\n"
            "instance of it?");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconInformation | box::kYesNo);
  EXPECT_FALSE(rig.manager.plugins.slots[1].inUse);

  rig.desktop.answers = {box::kAnswerYes};
  rig.Add("c:\\corvane\\plugins\\a.dll");
  EXPECT_TRUE(rig.manager.plugins.slots[1].running);  // a second instance
  EXPECT_EQ(rig.ReadList(), "plugins\\a.dll\r\n\r\n!plugins\\a.dll");

  rig.desktop.boxes.clear();
  rig.Add("D:\\Outside\\c.dll");
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "Using plugins from a directory outside\nthe standard folder can cause serious\n"
            "problems. Kestrane does not allow\nyou to do this. (Sorry!)");
  EXPECT_FALSE(rig.manager.plugins.slots[2].inUse);
}

TEST(AddPlugin, FullTableNamesFifty) {
  AddRig rig;
  rig.WriteList("");
  rig.ReadAll();
  for (auto &e : rig.manager.plugins.slots) e.inUse = true;
  rig.Add("c:\\corvane\\plugins\\b.dll");
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "Cannot add plugin!\n\nYou have reached the maximum\nnumber of plugins (50).\n\n"
            "Please remove some first ;)\n");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconError);
}

TEST(AddPlugin, FailedAppendLeavesThePluginRunning) {
  AddRig rig;
  rig.WriteList("");
  rig.ReadAll();
  std::filesystem::remove(rig.ListPath());
  std::filesystem::create_directory(rig.ListPath());  // cannot be appended to
  rig.Add("c:\\corvane\\plugins\\a.dll");
  EXPECT_TRUE(rig.manager.plugins.slots[0].running);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, "Could not find KSTR_Plugins.rc");
}

TEST(RemovePlugin, FreesTheSlotDropsEveryLineAndKeepsOtherSlotNumbers) {
  AddRig rig;
  rig.Library("plugins\\c.dll");
  rig.WriteList("Plugins\\A.dll\r\nplugins\\b.dll\r\n!plugins\\a.dll\r\n!plugins\\c.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  auto &s = rig.manager.plugins.slots;

  RemovePluginEntry(rig.manager, 0);
  EXPECT_FALSE(s[0].inUse);
  EXPECT_EQ(rig.ReadList(), "plugins\\b.dll\r\n!plugins\\c.dll\r\n");
  EXPECT_TRUE(s[1].running);
  EXPECT_TRUE(s[2].inUse);  // the other instance stays until the shell restarts
  EXPECT_EQ(s[3].path.view(), "c:\\corvane\\plugins\\c.dll");

  RemovePluginEntry(rig.manager, 3);  // linked, never started: unloaded all the same
  EXPECT_EQ(rig.libraries.loaded.count(s[3].module), 0u);
  EXPECT_EQ(rig.log.Matching("FreeLibrary c:\\corvane\\plugins\\c.dll").size(), 1u);

  // A removed plug-in is no duplicate when added again, and takes the first free slot.
  RemovePluginEntry(rig.manager, 2);
  EXPECT_EQ(rig.ReadList(), "plugins\\b.dll\r\n");
  rig.Add("c:\\corvane\\plugins\\a.dll");
  EXPECT_TRUE(rig.desktop.boxes.empty());
  EXPECT_TRUE(s[0].running);
}

TEST(PluginInformation, AboutBoxListsRunningPluginsInSlotOrder) {
  PluginRig rig;
  rig.Library("a.dll") = WithInfo({{1, "Alpha"}, {2, "1.0"}, {3, "Ann"}, {4, "2004-01-02"}});
  rig.Library("n.dll");
  rig.Library("off.dll") = WithInfo({{1, "Off"}});
  rig.Library("b.dll") = WithInfo({{1, "Beta"}, {2, "2.1"}, {3, "Bob"}, {4, "2004-03-04"}});
  rig.WriteList("A.dll\r\nn.dll\r\n!off.dll\r\nb.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  ShowAboutPlugins(rig.manager);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].caption, "About Plugins...");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kIconInformation);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "Alpha 1.0 by Ann (2004-01-02)\nc:\\corvane\\n.dll\nBeta 2.1 by Bob (2004-03-04)\n");
}

TEST(PluginInformation, BroamBoxAndSendingABroam) {
  PluginRig rig;
  rig.Library("a.dll") = WithInfo({{1, "Alpha"}, {7, "@Alpha Show@Alpha Hide"}});
  rig.WriteList("a.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  ShowPluginBroams(rig.manager, 0);
  ShowPluginBroams(rig.manager, 1);
  ShowPluginBroams(rig.manager, 100);
  ASSERT_EQ(rig.desktop.boxes.size(), 3u);
  EXPECT_EQ(rig.desktop.boxes[0].caption, "Plugin Bro@ms...");
  EXPECT_EQ(rig.desktop.boxes[0].text, "Alpha\n\n@Alpha Show\n@Alpha Hide\n");
  EXPECT_EQ(rig.desktop.boxes[1].text, "");
  EXPECT_EQ(rig.desktop.boxes[2].text, "");

  SendPluginBroamCommand(rig.manager, " @Alpha Show \n");
  SendPluginBroamCommand(rig.manager, "@" + std::string(300, 'x'));
  ASSERT_EQ(rig.shell.sent.size(), 1u);  // the one too long for its buffer is not sent
  EXPECT_EQ(rig.shell.sent[0].message, kHostMsgBroam);
  EXPECT_EQ(rig.shell.sent[0].wParam, 0u);
  EXPECT_EQ(rig.shell.sent[0].text, "@Alpha Show");
}

}  // namespace
}  // namespace kestrane
