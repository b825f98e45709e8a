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
  // A session that ended while `library` was starting, or in the middle when it is empty.
  void LeaveJournal(const std::string &library) const {
    StartJournal journal;
    journal.Begin(JournalPath().c_str());
    if (!library.empty()) journal.Note(Path(library));
  }  // the process ends here: the file stays as it was last written
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
  EXPECT_NE(seen[0].find("starting c:\\corvane\\a.dll "), std::string::npos) << seen[0];
  EXPECT_NE(seen[2].find("starting c:\\corvane\\d.dll "), std::string::npos) << seen[2];
  // Between the calls: the session mark alone, in a file of one size.
  EXPECT_EQ(StartJournal::Read(rig.JournalPath().c_str()).starting, "");
  EXPECT_FALSE(StartJournal::Read(rig.JournalPath().c_str()).endedNormally);
  EXPECT_EQ(rig.Journal().size(), seen[0].size());
  EndManager(rig.manager, kModule);
  EXPECT_FALSE(rig.HasJournal());
  EXPECT_TRUE(rig.desktop.boxes.empty());
}

TEST(StartJournal, TheLibraryTheShellEndedInIsSkippedAndSwitchedOff) {
  JournalRig rig;
  rig.LeaveJournal("c:\\corvane\\d.dll");
  ASSERT_EQ(StartManager(rig.manager, kModule), 0);
  EXPECT_EQ(rig.log.IndexOf("LoadLibrary c:\\corvane\\d.dll"), -1);
  EXPECT_EQ(rig.log.Matching("call begin"),
            std::vector<std::string>{"call beginPlugin c:\\corvane\\a.dll"});
  ASSERT_EQ(rig.desktop.boxes.size(), 1u);  // no question besides
  EXPECT_EQ(rig.desktop.boxes[0].text,
            "The shell ended while d.dll was starting.\nIt was switched off; its line stays in "
            "the plugin list, disabled; \"Toggle Plugins\" starts it again.");
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconError);
  EXPECT_EQ(rig.ReadList(), "a.dll\r\n!d.dll\r\n");
  const PluginEntry &d = rig.manager.plugins.slots[1];
  EXPECT_TRUE(d.inUse && !d.enabled && d.module == kNoModule);
  EXPECT_EQ(d.name, "d.dll");
  // A fresh journal runs for this session.
  EXPECT_EQ(StartJournal::Read(rig.JournalPath().c_str()).starting, "");
}

TEST(StartJournal, AfterASessionThatDidNotEndTheUserChoosesWhetherToStart) {
  for (int answer : {box::kAnswerYes, box::kAnswerNo}) {
    JournalRig rig;
    rig.LeaveJournal("");
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
