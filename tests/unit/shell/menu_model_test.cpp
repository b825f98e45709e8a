// Menus: the transcript rendering the end-to-end tests read, replacement by id without leaks or
// dangling submenus, and which item `pick` finds.
#include <gtest/gtest.h>

#include "portable/menu_model.h"

namespace corvane {
namespace {

using Lines = std::vector<std::string>;

TEST(MenuRender, WholeTreeWithTwoBlanksPerLevel) {
  MenuStore store;
  Menu *main = store.Make("Kestrane", "Kestrane_IDMain", true);
  store.AddCommand(main, "Always \"On\" Top", "@Kestrane.Top", true);
  store.AddInteger(main, "Transparency", "@Kestrane.Alpha", 60, 0, 255);
  store.AddNop(main, "");
  Menu *sub = store.Make("Config", "Kestrane_IDConfig", false);
  store.AddCommand(sub, "Edit", "@Kestrane.Edit", false);
  Menu *deeper = store.Make("Deeper", nullptr, true);
  store.AddNop(deeper, "x");
  store.AddSubmenu(sub, deeper, "Deeper");
  store.AddSubmenu(main, sub, "Configuration");

  EXPECT_EQ(
      RenderMenu(*main),
      (Lines{"menu \"Kestrane\" id=\"Kestrane_IDMain\" popup=1",
             "menu   item \"Always \\\"On\\\" Top\" \"@Kestrane.Top\" checked=1",
             "menu   int \"Transparency\" \"@Kestrane.Alpha\" 60 0 255", "menu   nop \"\"",
             "menu   sub \"Configuration\"", "menu     item \"Edit\" \"@Kestrane.Edit\" checked=0",
             "menu     sub \"Deeper\"", "menu       nop \"x\""}));
}

TEST(MenuRender, NullTextsAndEmptySubmenu) {
  MenuStore store;
  Menu *main = store.Make(nullptr, nullptr, false);
  store.AddCommand(main, nullptr, nullptr, false);
  store.AddSubmenu(main, nullptr, "Empty");
  EXPECT_EQ(RenderMenu(*main), (Lines{"menu \"\" id=\"\" popup=0",
                                      "menu   item \"\" \"\" checked=0", "menu   sub \"Empty\""}));
}

TEST(MenuRender, MenuInsideItselfIsShownOnce) {
  MenuStore store;
  Menu *a = store.Make("A", "a", true);
  Menu *b = store.Make("B", "b", true);
  store.AddSubmenu(a, b, "to b");
  store.AddSubmenu(b, a, "back to a");
  store.AddSubmenu(b, b, "self");
  EXPECT_EQ(RenderMenu(*a), (Lines{"menu \"A\" id=\"a\" popup=1", "menu   sub \"to b\"",
                                   "menu     sub \"back to a\"", "menu     sub \"self\""}));
  EXPECT_EQ(FindItem(*a, "@none"), nullptr);
}

TEST(MenuStoreTest, RejectsUnknownMenus) {
  MenuStore store;
  Menu *main = store.Make("M", "m", true);
  Menu stranger;
  EXPECT_EQ(store.AddCommand(&stranger, "t", "@c", false), nullptr);
  EXPECT_EQ(store.AddNop(nullptr, "t"), nullptr);
  EXPECT_EQ(store.AddSubmenu(main, &stranger, "t"), nullptr);
  EXPECT_FALSE(store.MarkShown(&stranger));
  EXPECT_TRUE(main->items.empty());
}

TEST(MenuStoreTest, SameIdReplacesAndFreesTheOldTree) {
  MenuStore store;
  Menu *old = store.Make("Old", "main", true);
  Menu *unnamed = store.Make("Unnamed", "", true);
  Menu *named = store.Make("Named", "sub", true);
  store.AddNop(unnamed, "u");
  store.AddSubmenu(old, unnamed, "u");
  store.AddSubmenu(old, named, "n");
  ASSERT_TRUE(store.MarkShown(old));
  ASSERT_EQ(store.size(), 3u);

  // Freed memory may be reused for the new menu, so count rather than compare pointers:
  // the old menu and the unnamed one reachable only through it are gone.
  Menu *fresh = store.Make("New", "main", true);
  EXPECT_EQ(store.size(), 2u);
  EXPECT_TRUE(store.Contains(named));  // lives until the plug-in replaces it
  EXPECT_TRUE(store.Contains(fresh));
  EXPECT_TRUE(fresh->items.empty());
  EXPECT_EQ(store.LastShown(), nullptr);
}

TEST(MenuStoreTest, UnnamedSubmenuSharedWithALiveMenuSurvives) {
  MenuStore store;
  Menu *shared = store.Make("Shared", nullptr, true);
  Menu *first = store.Make("First", "first", true);
  Menu *second = store.Make("Second", "second", true);
  store.AddSubmenu(first, shared, "s");
  store.AddSubmenu(second, shared, "s");
  store.Make("First again", "first", true);
  EXPECT_TRUE(store.Contains(shared));
  EXPECT_EQ(second->items[0]->submenu, shared);
}

TEST(MenuStoreTest, ReplacingASubmenuDetachesItFromItsParent) {
  MenuStore store;
  Menu *main = store.Make("Main", "main", true);
  Menu *sub = store.Make("Sub", "sub", true);
  store.AddSubmenu(main, sub, "Sub");
  store.Make("Sub 2", "sub", true);
  EXPECT_EQ(main->items[0]->submenu, nullptr);
  EXPECT_EQ(RenderMenu(*main).back(), "menu   sub \"Sub\"");
}

TEST(MenuStoreTest, NoIdNeverReplaces) {
  MenuStore store;
  Menu *a = store.Make("A", nullptr, true);
  Menu *b = store.Make("B", "", true);
  EXPECT_TRUE(store.Contains(a));
  EXPECT_TRUE(store.Contains(b));
}

TEST(MenuPick, FindsCommandsDepthFirstSkippingNops) {
  MenuStore store;
  Menu *main = store.Make("M", "m", true);
  store.AddNop(main, "@x");
  Menu *sub = store.Make("S", "s", true);
  store.AddCommand(sub, "Deep", "@x", false);
  store.AddSubmenu(main, sub, "S");
  store.AddCommand(main, "Shallow", "@x", false);
  const MenuItem *found = FindItem(*main, "@x");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->title, "Deep");
  EXPECT_EQ(FindItem(*main, "@X"), nullptr);  // bro@m commands are matched exactly
}

TEST(MenuPick, BroamTextForEachKind) {
  MenuStore store;
  Menu *main = store.Make("M", "m", true);
  const MenuItem *plain = store.AddCommand(main, "t", "@Plain", false);
  const MenuItem *number = store.AddInteger(main, "n", "@Alpha", 60, 0, 255);
  const std::string value = "100";
  EXPECT_EQ(PickedBroam(*plain, nullptr), "@Plain");
  EXPECT_EQ(PickedBroam(*plain, &value), "@Plain");
  EXPECT_EQ(PickedBroam(*number, &value), "@Alpha 100");
  EXPECT_EQ(PickedBroam(*number, nullptr), "@Alpha 60");
}

}  // namespace
}  // namespace corvane
