#include "core/list_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/path_text.h"
#include "core/plugin_table.h"
#include "plugin_rig.h"

namespace kestrane {
namespace {

using testing::PluginRig;

const PluginEntry &Slot(PluginRig &rig, int i) { return rig.manager.plugins.slots[i]; }

TEST(ListFile, MarksPathsAndSkippedLines) {
  PluginRig rig;
  rig.Library("plugins\\x\\x.dll");
  rig.Library("!x.dll");
  rig.Library("a.dll");
  rig.Library("b.dll");
  rig.WriteList(
      "!&plugins\\x\\x.dll\r\n"  // disabled, wants the Slit
      "&!x.dll\n"                // enabled, wants the Slit, path "!x.dll"
      "\r\n"
      "\n"
      "!  \t a.dll trailing words\r\n"  // blanks after the marks, words after the path
      "   \r\n"                         // no path: no slot
      "B.DLL");                         // last line without a line end
  rig.ReadAll();

  EXPECT_EQ(Slot(rig, 0).path.view(), "c:\\corvane\\plugins\\x\\x.dll");
  EXPECT_FALSE(Slot(rig, 0).enabled);
  EXPECT_TRUE(Slot(rig, 0).wantsSlit);
  EXPECT_EQ(Slot(rig, 0).name.view(), "x.dll");
  EXPECT_EQ(Slot(rig, 1).path.view(), "c:\\corvane\\!x.dll");
  EXPECT_TRUE(Slot(rig, 1).enabled);
  EXPECT_TRUE(Slot(rig, 1).wantsSlit);
  EXPECT_EQ(Slot(rig, 2).path.view(), "c:\\corvane\\a.dll");
  EXPECT_FALSE(Slot(rig, 2).enabled);
  EXPECT_FALSE(Slot(rig, 2).wantsSlit);
  EXPECT_EQ(Slot(rig, 3).path.view(), "c:\\corvane\\b.dll");
  EXPECT_FALSE(Slot(rig, 4).inUse);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Slot(rig, i).running) << "nothing starts yet";
  EXPECT_TRUE(rig.desktop.boxes.empty());
}

TEST(ListFile, AbsolutePathsStayAndLinkFailuresKeepTheirSlot) {
  PluginRig rig;
  rig.libraries.available["d:\\elsewhere\\y.dll"] = {};
  rig.Library("plugins\\my");  // what "plugins\my tool\t.dll" really names
  rig.Library("after.dll");
  rig.WriteList(
      "plugins\\missing.dll\r\nD:\\Elsewhere\\Y.dll\r\nplugins\\my tool\\t.dll\r\nafter.dll\r\n");
  rig.ReadAll();

  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].caption, "Kestrane - LINK ERROR!");
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "Could not link to plugin at...\n\nc:\\corvane\\plugins\\missing.dll\n\n"
            "This plugin may not be compatible\nwith your Shell or Operating System.");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kIconError);
  EXPECT_FALSE(Slot(rig, 0).inUse);  // the failed line's slot stays free ...
  EXPECT_EQ(Slot(rig, 1).path.view(), "d:\\elsewhere\\y.dll");  // ... and the next takes slot 1
  EXPECT_EQ(Slot(rig, 2).path.view(), "c:\\corvane\\plugins\\my");
  EXPECT_EQ(Slot(rig, 3).path.view(), "c:\\corvane\\after.dll");
}

TEST(ListFile, AtMostOneHundredPluginLines) {
  PluginRig rig;
  std::string list;
  for (int i = 0; i < 105; ++i) {
    std::string name = "p" + std::to_string(i) + ".dll";
    rig.Library(name);
    list += name + "\r\n\r\n";
  }
  rig.WriteList(list);
  rig.ReadAll();
  EXPECT_EQ(rig.libraries.loaded.size(), 100u);
  EXPECT_EQ(Slot(rig, 99).path.view(), "c:\\corvane\\p99.dll");
}

TEST(ListFile, MissingEntryPointKeepsTheSlotWithoutLibrary) {
  PluginRig rig;
  rig.Library("noend.dll").hasEndPlugin = false;
  rig.Library("ok.dll");
  rig.WriteList("noend.dll\r\nok.dll\r\n");
  rig.ReadAll();
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "Could not link to plugin functions in...\n\nc:\\corvane\\noend.dll");
  EXPECT_TRUE(Slot(rig, 0).inUse);
  EXPECT_EQ(Slot(rig, 0).module, kNoModule);
  EXPECT_EQ(rig.libraries.loaded.size(), 1u);  // noend.dll was unloaded again

  // Starting links it again and fails again: the second message of a start-up.
  StartAllPlugins(rig.manager);
  EXPECT_EQ(rig.desktop.boxes.size(), 2u);
  EXPECT_FALSE(Slot(rig, 0).running);
  EXPECT_TRUE(Slot(rig, 1).running);
}

TEST(ListFile, CreatedEmptyWhenMissingAndNamedAsConfigured) {
  PluginRig rig;
  rig.shell.Set(rig.folder + "/Kestrane.rc", "Kestrane.plugin.PluginsRCFile:", "mine.rc");
  rig.ReadAll();
  EXPECT_EQ(rig.manager.listFilePath.view(), rig.folder + "/mine.rc");
  EXPECT_TRUE(std::filesystem::exists(rig.folder + "/mine.rc"));
  EXPECT_TRUE(rig.desktop.boxes.empty());
}

TEST(ListFile, UnreadableListSaysWhichNameWasConfigured) {
  PluginRig rig;
  std::filesystem::create_directory(rig.ListPath());  // exists, but cannot be read as a file
  rig.ReadAll();
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].text, "Could not find KSTR_Plugins.rc");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconError);
}

struct RewriteRig : PluginRig {
  RewriteRig() {
    Library("plugins\\a\\a.dll");
    Library("x.dll");
    Library("plugins\\max.dll");
  }
};

TEST(RewritePluginLine, ReplacesTheSlotsLinesAndLowerCasesTheRest) {
  RewriteRig rig;
  rig.WriteList("Plugins\\A\\a.dll\r\nX.dll\r\nplugins\\A\\A.DLL extra\r\n");
  rig.ReadAll();
  RewritePluginLine(rig.manager, 0, true, false);
  // Both lines for the library change; the other line is only lower-cased.
  EXPECT_EQ(rig.ReadList(), "!plugins\\a\\a.dll\r\nx.dll\r\n!plugins\\a\\a.dll\r\n");
  RewritePluginLine(rig.manager, 0, false, true);
  EXPECT_EQ(rig.ReadList(), "&plugins\\a\\a.dll\r\nx.dll\r\n&plugins\\a\\a.dll\r\n");
}

TEST(RewritePluginLine, OnlyLinesNamingTheSameLibraryAreTheSlots) {
  RewriteRig rig;
  rig.WriteList("x.dll\r\nplugins\\max.dll\r\n");
  rig.ReadAll();
  RewritePluginLine(rig.manager, 0, true, false);
  EXPECT_EQ(rig.ReadList(), "!x.dll\r\nplugins\\max.dll\r\n");
  RemovePluginLines(rig.manager, 0);
  EXPECT_EQ(rig.ReadList(), "plugins\\max.dll\r\n");
}

TEST(RewritePluginLine, NoLineIsLost) {
  RewriteRig rig;
  std::string longLine = "; " + std::string(400, 'Q') + "\n";
  std::string list = "x.dll\n" + longLine;
  for (int i = 0; i < 120; ++i) list += "p" + std::to_string(i) + ".dll\r\n";
  list += "last-without-end";
  rig.WriteList(list);
  rig.ReadAll();
  RemovePluginLines(rig.manager, 0);
  EXPECT_EQ(rig.ReadList(), list.substr(6));  // byte for byte, bare LF included

  rig.WriteList(list);
  RewritePluginLine(rig.manager, 0, false, false);
  std::string expected = "x.dll\r\n; " + std::string(400, 'q') + "\n";
  for (int i = 0; i < 120; ++i) expected += "p" + std::to_string(i) + ".dll\r\n";
  EXPECT_EQ(rig.ReadList(), expected + "last-without-end");
}

TEST(RewritePluginLine, FailedWriteLeavesTheOldFileWhole) {
  RewriteRig rig;
  const std::string list = "X.dll\r\nPlugins\\Max.dll\r\n";
  rig.WriteList(list);
  rig.ReadAll();
  rig.kernel.failReplace = true;
  RewritePluginLine(rig.manager, 0, true, false);
  RemovePluginLines(rig.manager, 0);
  EXPECT_EQ(rig.ReadList(), list);
  ASSERT_EQ(rig.desktop.boxes.size(), 2u);
  EXPECT_EQ(rig.desktop.boxes[0].text, "Could not write to plugins.rc");
  EXPECT_EQ(rig.desktop.boxes[0].caption, "Kestrane 0.7b");
  EXPECT_FALSE(std::filesystem::exists(rig.ListPath() + ".new"));

  std::filesystem::remove(rig.ListPath());
  RewritePluginLine(rig.manager, 0, true, false);
  EXPECT_EQ(rig.desktop.boxes.back().text, "Could not read from plugins.rc");
}

TEST(RewritePluginLine, ReadsAndWritesTheFileOnceEach) {
  RewriteRig rig;
  std::string list;
  for (int i = 0; i < 99; ++i) list += "p" + std::to_string(i) + ".dll\r\n";
  rig.WriteList(list + "x.dll\r\n");
  rig.ReadAll();
  rig.log.Clear();
  RewritePluginLine(rig.manager, 99, true, false);
  EXPECT_EQ(rig.log.Matching("MoveFileOver").size(), 1u);
}

TEST(PathHelpers, MakeAbsoluteAndTrimBlanks) {
  testing::TestRig rig;
  Path p{"plugins\\a.dll"};
  EXPECT_TRUE(MakeAbsolute(rig.shell, p));
  EXPECT_EQ(p.view(), "C:\\Corvane\\plugins\\a.dll");
  Path q{"d:\\x.dll"};
  EXPECT_TRUE(MakeAbsolute(rig.shell, q));
  EXPECT_EQ(q.view(), "d:\\x.dll");
  // 11 characters of folder and 249 of name do not fit 259: the path stays as it was.
  const std::string longName(249, 'n');
  Path r{longName};
  EXPECT_FALSE(MakeAbsolute(rig.shell, r));
  EXPECT_EQ(r.view(), longName);

  EXPECT_EQ(TrimBlanks(" a b a "), "a b a");
  EXPECT_EQ(TrimBlanks("\t\r\nx\n"), "x");
  EXPECT_EQ(TrimBlanks(" \t "), " \t ");  // only blanks: left as it is
  EXPECT_EQ(TrimBlanks(""), "");
}

// A path that does not fit is unknown, never cut: a cut name would be another file.
TEST(ListFile, PathsThatDoNotFitAreUnknownNotCut) {
  PluginRig rig;
  rig.Library("after.dll");
  const std::string tooLong(250, 'p');  // 265 characters with the shell's folder
  rig.WriteList(tooLong + ".dll\r\nafter.dll\r\n");
  rig.ReadAll();
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.desktop.boxes[0].caption, "Kestrane - LINK ERROR!");
  EXPECT_NE(rig.desktop.boxes[0].text.find(tooLong + ".dll"), std::string::npos);
  EXPECT_FALSE(Slot(rig, 0).inUse);  // the line still takes its slot
  EXPECT_EQ(Slot(rig, 1).path.view(), "c:\\corvane\\after.dll");

  // Kestrane in a folder so deep that the list file's name no longer fits after it.
  testing::TestRig deep;
  deep.kernel.modulePath = "C:\\" + std::string(241, 'd') + "\\Kestrane.dll";
  ReadSettings(deep.manager);
  ReadPluginList(deep.manager);
  EXPECT_TRUE(deep.manager.listFilePath.empty());
  EXPECT_TRUE(deep.log.Matching("FileExists C:\\" + std::string(241, 'd') + "\\KSTR").empty());
  ASSERT_EQ(deep.desktop.boxes.size(), 1u);
  EXPECT_EQ(deep.desktop.boxes[0].text, "Could not find KSTR_Plugins.rc");
}

TEST(PathHelpers, RelativeKeyFromTheShellFolder) {
  testing::PluginRig rig;
  rig.manager.plugins.slots[0].path = "c:\\corvane\\plugins\\a.dll";
  rig.manager.plugins.slots[1].path = "d:\\other\\b.dll";
  EXPECT_EQ(RelativeKey(rig.manager, 0).view(), "plugins\\a.dll");
  EXPECT_EQ(RelativeKey(rig.manager, 1).view(), "d:\\other\\b.dll");
}

}  // namespace
}  // namespace kestrane
