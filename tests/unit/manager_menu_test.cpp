#include "ui/manager_menu.h"

#include <gtest/gtest.h>

#include "core/list_file.h"
#include "core/plugin_table.h"
#include "plugin_rig.h"

namespace kestrane {
namespace {

using testing::PluginRig;
using testing::WithInfo;

std::vector<std::string> Strip(const std::vector<std::string> &tree, const std::string &from,
                               const std::string &to) {
  auto begin = std::find(tree.begin(), tree.end(), from);
  auto end = std::find(begin, tree.end(), to);
  return std::vector<std::string>(begin, end);
}

TEST(ManagerMenu, WholeTreeWithoutLayeredWindows) {
  PluginRig rig;
  rig.Library("a.dll") = WithInfo({{1, "Alpha"}, {7, "@One\n\n@Two"}});
  rig.Library("b.dll") = WithInfo({{1, "Beta"}});
  rig.WriteList("a.dll\r\n!b.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  rig.manager.layeredSupported = false;
  rig.manager.settings.transparencyAlpha = 300;
  BuildManagerMenu(rig.manager, true);

  EXPECT_EQ(rig.shell.ShownTree(),
            (std::vector<std::string>{
                "Kestrane [Kestrane_IDMain]",
                "  sub Configuration [Kestrane_IDConfig]",
                "    item Docked to Slit -> @KestraneInternal SlitToggle",
                "    item Always On Top -> @KestraneInternal AlwaysOnTop *",
                "    item Snap Window To Edge -> @KestraneInternal SnapWindowToEdge *",
                "    item Toggle With Plugins -> @KestraneInternal ToggleWithPlugins *",
                "    int Alpha Value -> @KestraneInternal TransparencyAlpha 300 0..255",
                "    nop",
                "  nop",
                "  sub Toggle Plugins [Kestrane_IDPlugins]",
                "    item Alpha -> @KestraneInternal TogglePlugin 0 *",
                "    item b.dll -> @KestraneInternal TogglePlugin 1",
                "  item Add Plugin -> @KestraneInternal AddPlugin",
                "  sub Remove Plugin [Kestrane_IDRemove]",
                "    item Alpha -> @KestraneInternal RemovePlugin 0",
                "    item b.dll -> @KestraneInternal RemovePlugin 1",
                "  nop",
                "  item Check For Updates -> @KestraneInternal CheckForUpdates",
                "  sub Update Plugin [Kestrane_IDUpdate]",
                "  nop",
                "  sub Slit Aid [Kestrane_IDSlitAid]",
                "  nop",
                "  item About Plugins -> @KestraneInternal AboutPlugins",
                "  sub Plugin Bro@ms [Kestrane_IDPluginBroamMenu]",
                "    sub Alpha [Kestrane_IDPluginBroams Alpha]",
                "      item @One -> @KestraneInternal SendPluginBroam @One",
                "      item @Two -> @KestraneInternal SendPluginBroam @Two",
                "  nop",
                "  item View Readme -> @KestraneInternal Edit Readme.txt",
                "  item About Kestrane -> @KestraneInternal About",
                "  item Edit Kestrane.rc -> @KestraneInternal Edit Kestrane.rc",
            }));
  for (const auto &menu : rig.shell.menus) EXPECT_TRUE(menu.popup) << menu.id;
}

TEST(ManagerMenu, LayeredConfigurationAndControllers) {
  PluginRig rig;
  rig.ReadAll();
  rig.manager.layeredSupported = true;
  rig.manager.settings.globalTransAlpha = 12;  // not a multiple of 5: nothing checked
  rig.manager.settings.globalSticky = true;
  rig.manager.transClasses.slots[0] = "Notepad";
  rig.manager.transClasses.slots[3] = "CabinetWClass";
  BuildManagerMenu(rig.manager, false);
  std::vector<std::string> tree = rig.shell.ShownTree();

  std::vector<std::string> config =
      Strip(tree, "    item Transparency Enabled -> @KestraneInternal TransparencyEnabled",
            "    sub Transparency Controller [Kestrane_IDTransMenu]");
  EXPECT_EQ(config, (std::vector<std::string>{
                        "    item Transparency Enabled -> @KestraneInternal TransparencyEnabled",
                        "    int Alpha Value -> @KestraneInternal TransparencyAlpha 60 0..255",
                        "    item Transparent Back Enabled -> @KestraneInternal TransbackEnabled",
                        "    nop"}));
  std::vector<std::string> alpha =
      Strip(tree, "      sub Transparency Controller Alpha [Kestrane_IDTransAdjust]",
            "      item Add Transparency Window Class -> @KestraneInternal GlobalTransAdd");
  ASSERT_EQ(alpha.size(), 53u);
  EXPECT_EQ(alpha[1], "        item 0 -> @KestraneInternal GlobalTransAdjust 0");
  EXPECT_EQ(alpha[52], "        item 255 -> @KestraneInternal GlobalTransAdjust 255");
  for (const auto &line : alpha) EXPECT_EQ(line.find(" *"), std::string::npos) << line;

  EXPECT_EQ(Strip(tree, "      sub Remove Window Class [Kestrane_IDTransClasses]",
                  "    sub Sticky Controller [Kestrane_IDStickyMenu]"),
            (std::vector<std::string>{
                "      sub Remove Window Class [Kestrane_IDTransClasses]",
                "        item Notepad -> @KestraneInternal GlobalTransRem 0",
                "        item CabinetWClass -> @KestraneInternal GlobalTransRem 3"}));
  EXPECT_EQ(Strip(tree, "    sub Sticky Controller [Kestrane_IDStickyMenu]", "  nop"),
            (std::vector<std::string>{
                "    sub Sticky Controller [Kestrane_IDStickyMenu]",
                "      item Sticky Controller Enabled -> @KestraneInternal GlobalStickyEnabled *",
                "      item Add Sticky Window Class -> @KestraneInternal GlobalStickyAdd",
                "      sub Remove Window Class [Kestrane_IDStickyClasses]",
                "    sub Menu Clipper [Kestrane_IDMenuClipper]",
                "      item Menu Clipper Enabled -> @KestraneInternal MenuClipperEnabled"}));
  rig.manager.settings.globalTransAlpha = 125;
  BuildManagerMenu(rig.manager, false);
  tree = rig.shell.ShownTree();
  EXPECT_NE(std::find(tree.begin(), tree.end(),
                      "        item 125 -> @KestraneInternal GlobalTransAdjust 125 *"),
            tree.end());
}

TEST(ManagerMenu, StoppedPluginsOnlyToggleAndRemoveAndSlitAidUpdates) {
  PluginRig rig;
  rig.Library("s.dll").hasBeginSlitPlugin = true;
  rig.Library("u.dll");
  rig.Library("off.dll").hasBeginSlitPlugin = true;
  rig.WriteList("&s.dll\r\nu.dll\r\n!off.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  rig.manager.plugins.slots[1].updateAvailable = true;
  rig.manager.plugins.slots[2].updateAvailable = true;  // stopped: not offered
  BuildManagerMenu(rig.manager, true);
  std::vector<std::string> tree = rig.shell.ShownTree();
  EXPECT_EQ(Strip(tree, "  sub Update Plugin [Kestrane_IDUpdate]", "  nop"),
            (std::vector<std::string>{"  sub Update Plugin [Kestrane_IDUpdate]",
                                      "    item u.dll -> @KestraneInternal UpdatePlugin 1"}));
  EXPECT_EQ(Strip(tree, "  sub Slit Aid [Kestrane_IDSlitAid]", "  nop"),
            (std::vector<std::string>{"  sub Slit Aid [Kestrane_IDSlitAid]",
                                      "    item s.dll -> @KestraneInternal ToggleSlitAid 0 *"}));
  EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                          [](const std::string &l) { return l.find("off.dll") != l.npos; }),
            2);
}

}  // namespace
}  // namespace kestrane
