#include <gtest/gtest.h>

#include "core/plugin_table.h"
#include "core/startup.h"
#include "plugin_rig.h"

namespace kestrane {
namespace {

using testing::FakeModule;
using testing::PluginRig;
using testing::WithInfo;

const WindowHandle kSlit{0x5117};

struct BeginCase {
  bool ex, slitFn, slitWindow, ampersand;
  const char *expected;
};

// Exactly one begin function, by the plug-in's exports, the Slit and the "&" mark.
TEST(StartPlugin, ChoosesTheBeginFunction) {
  const BeginCase cases[] = {
      {true, true, true, false, "call beginPluginEx c:\\corvane\\p.dll slit=20759"},
      {true, true, true, true, "call beginPluginEx c:\\corvane\\p.dll slit=20759"},
      {true, false, false, true, "call beginPlugin c:\\corvane\\p.dll"},
      {false, true, true, true, "call beginSlitPlugin c:\\corvane\\p.dll slit=20759"},
      {false, true, true, false, "call beginPlugin c:\\corvane\\p.dll"},
      {false, true, false, true, "call beginPlugin c:\\corvane\\p.dll"},
      {false, false, true, true, "call beginPlugin c:\\corvane\\p.dll"},
  };
  for (const BeginCase &c : cases) {
    PluginRig rig;
    FakeModule &m = rig.Library("p.dll");
    m.hasBeginPluginEx = c.ex;
    m.hasBeginSlitPlugin = c.slitFn;
    rig.WriteList(c.ampersand ? "&p.dll\r\n" : "p.dll\r\n");
    if (c.slitWindow) rig.manager.slitWindow = kSlit;
    rig.ReadAll();
    StartAllPlugins(rig.manager);
    auto calls = rig.log.Matching("call begin");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], c.expected) << c.ex << c.slitFn << c.slitWindow << c.ampersand;
    EXPECT_TRUE(rig.manager.plugins.slots[0].running);
    EXPECT_EQ(rig.manager.plugins.slots[0].slitOnly, c.slitFn && !c.ex);
  }
}

TEST(StartUpAndShutDown, StartsEnabledInSlotOrderAndStopsEverything) {
  PluginRig rig;
  rig.Library("a.dll");
  rig.Library("b.dll");
  rig.Library("c.dll");
  rig.WriteList("a.dll\r\n!b.dll\r\nc.dll\r\n");
  ASSERT_EQ(StartManager(rig.manager, ModuleHandle{1}), 0);
  EXPECT_EQ(rig.log.Matching("call begin"),
            (std::vector<std::string>{"call beginPlugin c:\\corvane\\a.dll",
                                      "call beginPlugin c:\\corvane\\c.dll"}));
  // Plug-ins start after the window exists.
  EXPECT_LT(rig.log.IndexOf("CreateWindow"), rig.log.IndexOf("call beginPlugin"));
  rig.log.Clear();
  EndManager(rig.manager, ModuleHandle{1});
  EXPECT_EQ(rig.log.Matching("call endPlugin"),
            (std::vector<std::string>{"call endPlugin c:\\corvane\\a.dll",
                                      "call endPlugin c:\\corvane\\c.dll"}));
  EXPECT_TRUE(rig.libraries.loaded.empty()) << "the disabled b.dll is unloaded too";
  EXPECT_LT(rig.log.IndexOf("UnregisterClass"), rig.log.IndexOf("call endPlugin"));
}

TEST(RefreshPluginInfo, NameSiteAndBroamsFromTheAnswers) {
  PluginRig rig;
  rig.Library("a.dll") = WithInfo({{1, "Alpha"}, {7, "@A One @A Two"}, {8, "http://a.example/"}});
  rig.Library("b.dll") = WithInfo({{1, "Beta"}, {8, "ftp://b.example/"}});  // 7 unknown
  rig.Library("c.dll") = WithInfo({{8, "https://c.example/"}, {7, "plain"}});
  rig.Library("d.dll") = WithInfo({{8, "http://default.example/"}});
  rig.Library("e.dll");  // no pluginInfo
  rig.shell.Set(rig.folder + "/Kestrane.rc",
                "Kestrane.plugin.defaultupdateURL:", "http://default.example/");
  rig.WriteList("a.dll\r\nb.dll\r\nc.dll\r\nd.dll\r\ne.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  const auto &s = rig.manager.plugins.slots;
  EXPECT_EQ(s[0].name.view(), "Alpha");
  EXPECT_EQ(s[0].updateUrl.view(), "http://a.example/");
  EXPECT_EQ(s[0].broams.view(), "@A One \n@A Two\n");  // the blank before the next "@" stays
  EXPECT_EQ(s[1].updateUrl.view(), "");                // not a web address
  EXPECT_EQ(s[1].broams.view(), "");                   // code 7 answered like code 10000
  EXPECT_EQ(s[2].name.view(), "unknown");
  EXPECT_EQ(s[2].updateUrl.view(), "https://c.example/");
  EXPECT_EQ(s[2].broams.view(), "@plain\n");
  EXPECT_EQ(s[3].updateUrl.view(), "");  // the default site covers it
  EXPECT_EQ(s[4].name.view(), "e.dll");
  EXPECT_EQ(s[4].broams.view(), "");
}

TEST(RefreshPluginInfo, NullAnswersAreEmptyAndLongOnesAreCut) {
  PluginRig rig;
  FakeModule &m = rig.Library("a.dll");
  m.hasPluginInfo = true;
  std::string longName(400, 'N');
  m.info = [&](int code) -> const char * { return code == 1 ? longName.c_str() : nullptr; };
  rig.WriteList("a.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  EXPECT_EQ(rig.manager.plugins.slots[0].name.size(), 259u);
  EXPECT_EQ(rig.manager.plugins.slots[0].broams.view(), "");
}

TEST(BroamListFromInfo, SplitsAtEveryRunOfAts) {
  EXPECT_EQ(BroamListFromInfo(nullptr).view(), "");
  EXPECT_EQ(BroamListFromInfo("").view(), "");
  EXPECT_EQ(BroamListFromInfo("@@@").view(), "");
  EXPECT_EQ(BroamListFromInfo("lead@One@@Two@").view(), "@lead\n@One\n@Two\n");
  EXPECT_EQ(BroamListFromInfo("@A b @C").view(), "@A b \n@C\n");
  std::string many;
  for (int i = 0; i < 300; ++i) many += "@cmd";
  BroamList cut = BroamListFromInfo(many.c_str());
  EXPECT_EQ(cut.size(), 999u);
  EXPECT_EQ(cut.view().substr(0, 10), "@cmd\n@cmd\n");
}

TEST(TogglePluginEntry, OffAndOnRewritesTheLineAndSurvivesAReconfigure) {
  PluginRig rig;
  rig.Library("a.dll");
  rig.Library("b.dll");
  rig.WriteList("&a.dll\r\n!b.dll\r\n");
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  auto &s = rig.manager.plugins.slots;

  TogglePluginEntry(rig.manager, 0);
  EXPECT_FALSE(s[0].running);
  EXPECT_FALSE(s[0].enabled);
  EXPECT_EQ(s[0].module, kNoModule);
  EXPECT_EQ(rig.ReadList(), "!&a.dll\r\n!b.dll\r\n");

  TogglePluginEntry(rig.manager, 1);
  EXPECT_TRUE(s[1].running);
  EXPECT_TRUE(s[1].enabled);
  EXPECT_EQ(rig.ReadList(), "!&a.dll\r\nb.dll\r\n");

  // Reconfigure: everything stops and the enabled ones start again; the list is not re-read.
  StopAllPlugins(rig.manager);
  StartAllPlugins(rig.manager);
  EXPECT_FALSE(s[0].running);
  EXPECT_TRUE(s[1].running);

  rig.log.Clear();
  TogglePluginEntry(rig.manager, 100);
  TogglePluginEntry(rig.manager, -1);
  TogglePluginEntry(rig.manager, 5);  // not in use
  EXPECT_TRUE(rig.log.entries().empty());
}

TEST(ToggleSlitAidEntry, RestartsASlitOnlyPluginWithTheOtherBeginFunction) {
  PluginRig rig;
  rig.Library("s.dll").hasBeginSlitPlugin = true;
  rig.Library("n.dll");
  rig.WriteList("s.dll\r\nn.dll\r\n");
  rig.manager.slitWindow = kSlit;
  rig.ReadAll();
  StartAllPlugins(rig.manager);
  rig.log.Clear();

  ToggleSlitAidEntry(rig.manager, 0);
  EXPECT_TRUE(rig.manager.plugins.slots[0].wantsSlit);
  EXPECT_EQ(rig.ReadList(), "&s.dll\r\nn.dll\r\n");
  EXPECT_EQ(rig.log.Matching("call "),
            (std::vector<std::string>{"call endPlugin c:\\corvane\\s.dll",
                                      "call beginSlitPlugin c:\\corvane\\s.dll slit=20759"}));

  rig.log.Clear();
  ToggleSlitAidEntry(rig.manager, 1);  // not slit-only: nothing
  EXPECT_TRUE(rig.log.entries().empty());
}

}  // namespace
}  // namespace kestrane
