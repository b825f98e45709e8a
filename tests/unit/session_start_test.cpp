// The start journal: what a session notes while it links and starts plug-ins, and what the
// next start makes of what an ended session left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/plugin_table.h"
#include "core/startup.h"
#include "plugin_rig.h"
#include "ui/commands.h"

namespace kestrane {
namespace {

using testing::PluginRig;

const ModuleHandle kModule{1};

struct JournalRig : PluginRig {
  JournalRig() {
    Library("a.dll");
    Library("d.dll");
    WriteList("a.dll\r\nD.dll\r\n");
  }
  std::string JournalPath() const { return ListPath() + ".journal"; }
  bool HasJournal() const { return std::filesystem::exists(JournalPath()); }
  std::string Journal() const {
    std::ifstream in(JournalPath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // A session that ended before its endPlugin: the journal stays as it was last written.
  void LeaveJournal() {
    StartJournal journal;
    journal.Begin(JournalPath().c_str(), kernel);
  }
};

TEST(StartJournal, NotesEachLinkAndBeginAndGoesWithANormalEnd) {
  JournalRig rig;
  std::vector<std::string> seen;
  rig.libraries.whileLoading = [&](const std::string &) { seen.push_back(rig.Journal()); };
  rig.Library("d.dll").behaviour = [&](const std::string &call) {
    if (call == "beginPlugin") seen.push_back(rig.Journal());
    return Fault{};
  };
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  ASSERT_EQ(seen.size(), 3u);  // a and d linked, d started
  EXPECT_NE(seen[0].find("linking c:\\corvane\\a.dll "), std::string::npos) << seen[0];
  EXPECT_NE(seen[2].find("starting c:\\corvane\\d.dll "), std::string::npos) << seen[2];
  // Between the calls: the session mark alone, in a file of one size.
  EXPECT_EQ(StartJournal::Read(rig.JournalPath().c_str()).starting, "");
  EXPECT_FALSE(StartJournal::Read(rig.JournalPath().c_str()).endedNormally);
  EXPECT_EQ(rig.Journal().size(), seen[0].size());
  EndManager(rig.manager, kModule);
  EXPECT_FALSE(rig.HasJournal());
  EXPECT_TRUE(rig.desktop.boxes.empty());
}

TEST(StartJournal, AfterASessionThatDidNotEndTheUserChoosesWhetherToStart) {
  for (int answer : {box::kAnswerYes, box::kAnswerNo}) {
    JournalRig rig;
    rig.LeaveJournal();
    rig.desktop.answers = {answer};
    ASSERT_EQ(StartManager(rig.manager, kModule), 0);
    ASSERT_EQ(rig.desktop.boxes.size(), 1u);
    EXPECT_EQ(rig.desktop.boxes[0].text,
              "The shell did not end normally last time.\n\nStart the plugins now?\nChoose No to "
              "start with every plugin stopped; \"Toggle Plugins\" starts them one by one.");
    EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconInformation | box::kYesNo);
    EXPECT_EQ(rig.desktop.boxes[0].owner, kNoWindow);
    const bool started = answer == box::kAnswerYes;
    EXPECT_EQ(rig.log.Matching("LoadLibrary").size(), started ? 2u : 0u);
    EXPECT_EQ(rig.log.Matching("call begin").size(), started ? 2u : 0u);
    EXPECT_EQ(rig.ReadList(), "a.dll\r\nD.dll\r\n");
    if (started) continue;
    // Every plug-in stays stopped, also through a reconfigure, until the user starts it.
    Reconfigure(rig.manager);
    EXPECT_TRUE(rig.log.Matching("call begin").empty());
    HandleBroam(rig.manager, "@KestraneInternal TogglePlugin 1");
    EXPECT_EQ(rig.log.Matching("call begin"),
              std::vector<std::string>{"call beginPlugin c:\\corvane\\d.dll"});
    EXPECT_FALSE(rig.manager.plugins.slots[0].running);
  }
}

// A library that ended the shell while it was loaded would do so again at every start, as each
// links every listed library: later starts leave it unlinked, also across sessions, until the
// user switches it on or removes it.
TEST(StartJournal, ALibraryTheShellEndedInWhileLinkingStaysUnlinkedUntilAskedFor) {
  JournalRig rig;
  {
    StartJournal died;  // a session that ended inside d.dll's loading
    died.Begin(rig.JournalPath().c_str(), rig.kernel);
    died.NoteLinking(Path("c:\\corvane\\d.dll"));
  }
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);
  EXPECT_EQ(rig.ReadList(), "a.dll\r\n!d.dll\r\n");
  EndManager(rig.manager, kModule);
  EXPECT_TRUE(rig.HasJournal()) << "it holds d.dll";

  for (int start = 0; start < 2; ++start) {
    ASSERT_EQ(StartManager(rig.manager, kModule), 0);
    EXPECT_EQ(rig.desktop.boxes.size(), 1u) << "neither a question nor the box again";
    EXPECT_TRUE(rig.manager.plugins.slots[1].inUse);
    EXPECT_FALSE(rig.manager.plugins.slots[1].enabled);
    EndManager(rig.manager, kModule);
  }
  EXPECT_TRUE(rig.log.Matching("LoadLibrary c:\\corvane\\d.dll").empty());
  EXPECT_EQ(rig.log.Matching("LoadLibrary c:\\corvane\\a.dll").size(), 3u);

  // Switched on, it is linked again and no longer held: a normal end takes the journal.
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  HandleBroam(rig.manager, "@KestraneInternal TogglePlugin 1");
  EXPECT_TRUE(rig.manager.plugins.slots[1].running);
  EndManager(rig.manager, kModule);
  EXPECT_FALSE(rig.HasJournal());
}

// A journal that cannot be made (here a folder takes its name) never stops a start.
TEST(StartJournal, OneThatCannotBeWrittenChangesNothing) {
  JournalRig rig;
  std::filesystem::create_directory(rig.JournalPath());
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  EXPECT_EQ(rig.log.Matching("call begin").size(), 2u);
  EXPECT_TRUE(rig.desktop.boxes.empty());
  EndManager(rig.manager, kModule);
  EXPECT_TRUE(std::filesystem::is_directory(rig.JournalPath()));
}

}  // namespace
}  // namespace kestrane
