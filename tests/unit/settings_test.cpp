#include "core/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "test_rig.h"

namespace kestrane {
namespace {

using testing::TestRig;

constexpr const char *kOwnFolder = "C:\\Corvane\\plugins\\Kestrane\\";
constexpr const char *kShellFolder = "C:\\Corvane\\";

class ConfigLocation : public ::testing::TestWithParam<int> {};

// Each bit of the parameter puts one of the four candidate files in place; the winner is
// always the first present in the order own/Kestranerc, own/Kestrane.rc, shell/Kestranerc,
// shell/Kestrane.rc, and with none present it is own/Kestrane.rc.
TEST_P(ConfigLocation, FirstPresentWinsInFixedOrder) {
  const std::string candidates[4] = {
      std::string(kOwnFolder) + "Kestranerc", std::string(kOwnFolder) + "Kestrane.rc",
      std::string(kShellFolder) + "Kestranerc", std::string(kShellFolder) + "Kestrane.rc"};
  TestRig rig;
  int mask = GetParam();
  std::string expected = candidates[1];
  for (int i = 3; i >= 0; --i) {
    if (mask & (1 << i)) {
      rig.shell.files[candidates[i]] = {};
      expected = candidates[i];
    }
  }
  EXPECT_EQ(LocateConfigFile(rig.manager).view(), expected);
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, ConfigLocation, ::testing::Range(0, 16));

TEST(Settings, LibraryWithoutFolderLooksInTheCurrentNameAlone) {
  TestRig rig;
  rig.kernel.modulePath = "Kestrane.dll";
  rig.shell.files["Kestranerc"] = {};
  EXPECT_EQ(LocateConfigFile(rig.manager).view(), "Kestranerc");
}

TEST(Settings, AFileNameThatDoesNotFitIsNeverCut) {
  TestRig rig;
  const std::string deep = "C:\\" + std::string(245, 'd') + "\\";  // 249 characters
  rig.kernel.modulePath = deep + "K.dll";
  rig.shell.folder = deep;
  rig.shell.files[deep + "Kestranerc"] = {};  // 259: fits
  EXPECT_EQ(LocateConfigFile(rig.manager).view(), deep + "Kestranerc");
  rig.shell.files.clear();
  // "Kestrane.rc" would need 260: unknown rather than "Kestrane.r".
  EXPECT_TRUE(LocateConfigFile(rig.manager).empty());
  EXPECT_TRUE(rig.log.Matching("FileExists " + deep + "Kestrane.r").empty());
}

TEST(Settings, DefaultsWhenNoFileExists) {
  TestRig rig;
  ReadSettings(rig.manager);
  const ManagerSettings &s = rig.manager.settings;
  EXPECT_EQ(rig.manager.configFile.view(), rig.OwnRcFile());
  EXPECT_EQ(s.x, 10);
  EXPECT_EQ(s.y, 10);
  EXPECT_EQ(s.width, 25);
  EXPECT_EQ(s.height, 25);
  EXPECT_FALSE(s.transparencyEnabled);
  EXPECT_EQ(s.transparencyAlpha, 60);
  EXPECT_TRUE(s.alwaysOnTop);
  EXPECT_TRUE(s.snapWindow);
  EXPECT_TRUE(s.toggleWithPlugins);
  EXPECT_EQ(s.defaultUpdateUrl.view(), "");
  EXPECT_EQ(s.pluginsRcFile.view(), "KSTR_Plugins.rc");
  EXPECT_FALSE(s.transbackEnabled);
  EXPECT_FALSE(s.inSlit);
  EXPECT_FALSE(s.globalTransparency);
  EXPECT_EQ(s.globalTransAlpha, 0);
  EXPECT_FALSE(s.globalSticky);
  EXPECT_FALSE(s.menuClipperEnabled);
  for (int i = 0; i < kClassSlots; ++i) {
    EXPECT_TRUE(rig.manager.transClasses.slots[i].empty());
    EXPECT_TRUE(rig.manager.stickyClasses.slots[i].empty());
  }
}

TEST(Settings, StoredValuesAreReadWithKeysInAnyCase) {
  TestRig rig;
  const std::string rc = std::string(kShellFolder) + "Kestrane.rc";
  rig.shell.Set(rc, "kestrane.plugin.X:", "-40");
  rig.shell.Set(rc, "Kestrane.plugin.y:", "700");
  rig.shell.Set(rc, "Kestrane.plugin.transparency.alpha:", "300");
  rig.shell.Set(rc, "Kestrane.plugin.alwaysontop:", "false");
  rig.shell.Set(rc, "Kestrane.plugin.inSlit:", "true");
  rig.shell.Set(rc, "Kestrane.plugin.defaultupdateURL:", "http://example.org/kestrane/");
  rig.shell.Set(rc, "Kestrane.plugin.PluginsRCFile:", "mine.rc");
  rig.shell.Set(rc, "Kestrane.plugin.GlobTransAlpha:", "128");
  rig.shell.Set(rc, "Kestrane.plugin.width:", "40");
  rig.shell.Set(rc, "Kestrane.plugin.height:", "5");
  rig.shell.Set(rc, "Kestrane.plugin.transClass0:", "Notepad");
  rig.shell.Set(rc, "Kestrane.plugin.stickyClass49:", "Shell_TrayWnd");
  rig.shell.Set(rc, "Kestrane.update.checkEveryDays:", "365");
  rig.shell.Set(rc, "Kestrane.update.lastCheck:", "2004-10-31 23:59");
  ReadSettings(rig.manager);
  const ManagerSettings &s = rig.manager.settings;
  EXPECT_EQ(rig.manager.configFile.view(), rc);
  EXPECT_EQ(s.x, -40);                  // negative positions stay
  EXPECT_EQ(s.y, 700);                  // below the screen height of 768
  EXPECT_EQ(s.transparencyAlpha, 300);  // kept as read; only painting takes the low 8 bits
  EXPECT_FALSE(s.alwaysOnTop);
  EXPECT_TRUE(s.inSlit);
  EXPECT_EQ(s.defaultUpdateUrl.view(), "http://example.org/kestrane/");
  EXPECT_EQ(s.pluginsRcFile.view(), "mine.rc");
  EXPECT_EQ(s.globalTransAlpha, 128);
  EXPECT_EQ(s.width, 40);
  EXPECT_EQ(s.height, 5);  // no bound on the size
  EXPECT_EQ(rig.manager.transClasses.slots[0].view(), "Notepad");
  EXPECT_EQ(rig.manager.stickyClasses.slots[49].view(), "Shell_TrayWnd");
  EXPECT_EQ(s.checkEveryDays, 365);
  EXPECT_EQ(s.lastCheck.view(), "2004-10-31 23:59");
}

TEST(Settings, PositionOffThePrimaryScreenFallsBackTo10) {
  TestRig rig;
  rig.desktop.screen = {800, 600};
  const std::string rc = rig.OwnRcFile();
  rig.shell.Set(rc, "Kestrane.plugin.x:", "800");
  rig.shell.Set(rc, "Kestrane.plugin.y:", "599");
  ReadSettings(rig.manager);
  EXPECT_EQ(rig.manager.settings.x, 10);
  EXPECT_EQ(rig.manager.settings.y, 599);
  rig.shell.Set(rc, "Kestrane.plugin.x:", "799");
  rig.shell.Set(rc, "Kestrane.plugin.y:", "6000");
  ReadSettings(rig.manager);
  EXPECT_EQ(rig.manager.settings.x, 799);
  EXPECT_EQ(rig.manager.settings.y, 10);
}

TEST(Settings, LongClassNamesAreCutTo259) {
  TestRig rig;
  rig.shell.Set(rig.OwnRcFile(), "Kestrane.plugin.transClass7:", std::string(400, 'C'));
  ReadSettings(rig.manager);
  EXPECT_EQ(rig.manager.transClasses.slots[7].size(), 259u);
}

TEST(Settings, KeysAreReadInTheirFixedOrder) {
  TestRig rig;
  ReadSettings(rig.manager);
  std::vector<std::string> reads;
  for (const auto &e : rig.log.entries()) {
    if (e.rfind("Read", 0) == 0) reads.push_back(e.substr(e.find(' ') + 1));
  }
  const std::vector<std::string> head = {"Kestrane.plugin.x:",
                                         "Kestrane.plugin.y:",
                                         "Kestrane.plugin.transparency.enabled:",
                                         "Kestrane.plugin.transparency.alpha:",
                                         "Kestrane.plugin.alwaysontop:",
                                         "Kestrane.plugin.snapwindow:",
                                         "Kestrane.plugin.togglewithplugins:",
                                         "Kestrane.plugin.defaultupdateURL:",
                                         "Kestrane.plugin.PluginsRCFile:",
                                         "Kestrane.plugin.transback.enabled:",
                                         "Kestrane.plugin.inSlit:",
                                         "Kestrane.plugin.GlobalTransparency:",
                                         "Kestrane.plugin.GlobTransAlpha:",
                                         "Kestrane.plugin.GlobalSticky:",
                                         "Kestrane.plugin.menuclipper.enabled:",
                                         "Kestrane.plugin.width:",
                                         "Kestrane.plugin.height:",
                                         "Kestrane.plugin.transClass0:",
                                         "Kestrane.plugin.stickyClass0:",
                                         "Kestrane.plugin.transClass1:"};
  ASSERT_EQ(reads.size(), head.size() - 3 + 100 + 4);
  EXPECT_EQ(std::vector<std::string>(reads.begin(), reads.begin() + head.size()), head);
  EXPECT_EQ(std::vector<std::string>(reads.end() - 5, reads.end()),
            (std::vector<std::string>{"Kestrane.plugin.stickyClass49:",
                                      "Kestrane.update.checkEveryDays:",
                                      "Kestrane.update.lastCheck:",
                                      "Kestrane.update.catalogueURL:",
                                      "Kestrane.update.catalogueKey:"}));
}

TEST(Settings, ReadingAgainReplacesEveryValue) {
  TestRig rig;
  const std::string rc = rig.OwnRcFile();
  rig.shell.Set(rc, "Kestrane.plugin.transClass3:", "Old");
  rig.shell.Set(rc, "Kestrane.plugin.snapwindow:", "false");
  ReadSettings(rig.manager);
  rig.shell.files[rc].clear();
  ReadSettings(rig.manager);
  EXPECT_TRUE(rig.manager.transClasses.slots[3].empty());
  EXPECT_TRUE(rig.manager.settings.snapWindow);
}

}  // namespace
}  // namespace kestrane
