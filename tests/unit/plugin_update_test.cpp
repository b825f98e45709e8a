#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "core/plugin_table.h"
#include "core/session_start.h"
#include "core/startup.h"
#include "ui/commands.h"
#include "update_rig.h"

namespace kestrane {
namespace {

using testing::AuthorKey;
using testing::FakeModule;
using testing::ScriptedAnswer;
using testing::Sha256Hex;
using testing::UpdateRig;

const char kConsentOfAlpha[] =
    "Name: \t\tAlpha\nCurrent Version: \t1.0\nDate: \t\t2004-01-01\n\nOnline Version: \t1.1\n"
    "Date: \t\t2004-02-02\nAuthor: \t\tAnn\n\nDescription...\nA clock.\n\nChanges...\nFaster."
    "\n\nDo you want to download this update?";

// Alpha (slot 0, running) with an update of three files on http://site/; Beta (slot 1) beside.
struct AlphaRig : UpdateRig {
  AlphaRig() {
    Plugin("a", {{1, "Alpha"}, {2, "1.0"}, {4, "2004-01-01"}});
    Plugin("b", {{1, "Beta"}});
    Write("plugins/a/a.txt", "old text");
    Publish("Alpha.files: http://site/a.dll http://site/a.txt site/a.ini\n");
    internet.Serve("http://site/a.dll", "new a");
    internet.Serve("http://site/a.txt", "new text");
    internet.Serve("http://site/a.ini", "new ini");
    Start("plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
    manager.plugins.slots[0].updateAvailable = true;
    before = Folder("plugins");
  }
  void Publish(const std::string &extra) {
    Write("metadata.txt",
          "Alpha.version: 1.1\nAlpha.date: 2004-02-02\nAlpha.author: Ann\n"
          "Alpha.information: A clock.\nAlpha.changes: Faster.\n" +
              extra);
  }
  void Update(std::initializer_list<int> answers = {box::kAnswerYes}) {
    desktop.answers.assign(answers.begin(), answers.end());
    HandleBroam(manager, "@KestraneInternal UpdatePlugin 0");
    RunWorkers();
  }
  bool Running() const { return manager.plugins.slots[0].running; }
  bool Marked() const { return manager.plugins.slots[0].updateAvailable; }
  std::map<std::string, std::string> before;
};

TEST(PluginUpdate, EveryFileArrivesBeforeTheOneStopAndStart) {
  AlphaRig rig;
  std::vector<int> busy;  // the one-at-a-time mark while each box is open
  rig.desktop.whileShown = [&](const auto &) { busy.push_back(rig.manager.busyIndex.load()); };
  rig.Update();
  // The closing box comes once the turn is given back: the next update may begin at once.
  EXPECT_EQ(busy, (std::vector<int>{0, -1}));
  EXPECT_EQ(rig.Boxes(), (std::vector<std::string>{
                             kConsentOfAlpha,
                             "Update Procedure Complete.\n\nIf the download included a zip file "
                             "you\nmay have to check that the files where\nextracted to the right "
                             "place ;P"}));
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconInformation | box::kYesNo);
  EXPECT_EQ(rig.desktop.boxes[1].style, box::kTopMost | box::kIconInformation);
  EXPECT_EQ(rig.Statuses(),
            (std::vector<std::string>{"Downloading a.dll...", "Downloading a.txt...",
                                      "Downloading a.ini..."}));
  EXPECT_EQ(rig.Folder("plugins"),
            (std::map<std::string, std::string>{{"plugins/a/a.dll", "new a"},
                                                {"plugins/a/a.ini", "new ini"},
                                                {"plugins/a/a.txt", "new text"},
                                                {"plugins/b/b.dll", "old b"}}));
  EXPECT_EQ(rig.PluginCalls("endPlugin"), 1);
  EXPECT_EQ(rig.PluginCalls("beginPlugin"), 1);
  EXPECT_GT(rig.log.IndexOf("call endPlugin"), rig.log.IndexOf("MessageBox Name:"));
  EXPECT_TRUE(rig.Running());
  EXPECT_FALSE(rig.Marked());
  EXPECT_EQ(rig.ReadList(), "plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
  EXPECT_EQ(rig.manager.busyIndex.load(), -1);
  EXPECT_EQ(rig.manager.updates.spinningWorkers.load(), 0);
  EXPECT_EQ(rig.manager.spinner.targetSpeed.load(), 0.0f);  // the gear slows down again
}

// A file whose length is known shows its progress, at most every 250 ms; one without, none.
TEST(PluginUpdate, ProgressTextsAtMostFourASecond) {
  AlphaRig rig;
  ScriptedAnswer slow, unannounced;
  slow.body.assign(10240, 'd');  // ten blocks, 100 ms each
  slow.beforeRead = [&] { rig.kernel.ticks += 100; };
  unannounced = slow;
  unannounced.withoutLength = true;
  rig.internet.Serve("http://site/a.dll", slow);
  rig.internet.Serve("http://site/a.txt", unannounced);
  rig.Update();
  EXPECT_EQ(rig.Statuses(),
            (std::vector<std::string>{"Downloading a.dll...", "Downloading a.dll... 30%",
                                      "Downloading a.dll... 60%", "Downloading a.dll... 90%",
                                      "Downloading a.txt...", "Downloading a.ini..."}));
}

// Whatever goes wrong before everything has arrived: the plug-in keeps running on its old
// files, nothing new stays in its folder, it stays marked, and the user hears why.
TEST(PluginUpdate, AnyFailureBeforeAllArrivedLeavesThePluginAsItWas) {
  const std::string sum =
      Sha256Hex("new a") + " " + Sha256Hex("new text") + " " + Sha256Hex("new ini");
  // The box names the file, its address and why, as its download saw it.
  auto failed = [](const std::string &name, const std::string &why) {
    return "Could not complete download\nof " + name + " from http://site/" + name + ":\n" + why;
  };
  struct Case {
    const char *what;
    std::function<void(AlphaRig &)> arrange;
    std::string message;
    int opened;  // URLs asked for
  } cases[] = {
      {"404 on file 2 of 3",
       [](AlphaRig &r) {
         ScriptedAnswer a;
         a.status = 404;
         r.internet.Serve("http://site/a.txt", a);
       },
       failed("a.txt", "HTTP status 404"), 2},
      {"500",
       [](AlphaRig &r) {
         ScriptedAnswer a;
         a.status = 500;
         r.internet.Serve("http://site/a.ini", a);
       },
       failed("a.ini", "HTTP status 500"), 3},
      {"broken off",
       [](AlphaRig &r) {
         ScriptedAnswer a;
         a.body = "new";
         a.length = 10;
         r.internet.Serve("http://site/a.txt", a);
       },
       failed("a.txt", "broken off after 3 bytes"), 2},
      {"timed out",
       [](AlphaRig &r) {
         ScriptedAnswer a;
         a.body = "new text";
         a.failAfter = 3;
         r.internet.Serve("http://site/a.dll", a);
       },
       failed("a.dll", "broken off after 3 bytes"), 1},
      {"too large",
       [](AlphaRig &r) {
         ScriptedAnswer a;
         a.length = 1ull << 40;
         r.internet.Serve("http://site/a.txt", a);
       },
       failed("a.txt", "more than 268435456 bytes"), 2},
      {"unreachable",
       [](AlphaRig &r) {
         ScriptedAnswer a;
         a.refuse = true;
         r.internet.Serve("http://site/a.ini", a);
       },
       failed("a.ini", "no connection (error 12029)"), 3},
      {"traversal",
       [](AlphaRig &r) {
         r.Publish(
             "Alpha.files: http://site/a.dll "
             "http://site/..\\..\\evil.dll\n");
       },
       "Could not complete download", 0},
      {"drive", [](AlphaRig &r) { r.Publish("Alpha.files: http://site/c:evil.dll\n"); },
       "Could not complete download", 0},
      {"twice", [](AlphaRig &r) { r.Publish("Alpha.files: http://site/a.dll http://x/A.DLL\n"); },
       "Could not complete download", 0},
      {"device",
       [](AlphaRig &r) { r.Publish("Alpha.files: http://site/a.dll site/COM\xB9.txt\n"); },
       "Could not complete download", 0},
      {"not UTF-8 once decoded",
       [](AlphaRig &r) { r.Publish("Alpha.files: http://site/a.dll site/caf%E9.txt\n"); },
       "Could not complete download", 0},
      {"an escaped separator",
       [](AlphaRig &r) { r.Publish("Alpha.files: http://site/x%2F..%2F..%2Fevil.dll\n"); },
       "Could not complete download", 0},
      {"twice, once in capitals beyond ASCII",
       [](AlphaRig &r) {
         r.Publish("Alpha.files: http://site/caf%C3%A9.txt http://site/CAF%C3%89.TXT\n");
       },
       "Could not complete download", 0},
      {"name of ours",
       [](AlphaRig &r) {
         r.Publish(
             "Alpha.files: http://site/a.dll "
             "http://site/a.dll.kestrane-new\n");
       },
       "Could not complete download", 0},
      {"wrong sum",
       [sum](AlphaRig &r) {
         r.Publish(
             "Alpha.files: http://site/a.dll "
             "http://site/a.txt site/a.ini\nAlpha.sha256: " +
             sum + "\n");
         r.internet.Serve("http://site/a.txt", "evil");
       },
       "The downloaded file a.txt does not match its published checksum.", 2},
      {"too few sums",
       [sum](AlphaRig &r) {
         r.Publish(
             "Alpha.files: http://site/a.dll "
             "http://site/a.txt site/a.ini\nAlpha.sha256: " +
             sum.substr(0, 129) + "\n");
       },
       "The downloaded file a.ini does not match its published checksum.", 0},
  };
  for (const Case &c : cases) {
    AlphaRig rig;
    c.arrange(rig);
    rig.Update();
    EXPECT_EQ(rig.Boxes(), (std::vector<std::string>{kConsentOfAlpha, c.message})) << c.what;
    EXPECT_EQ(rig.desktop.boxes.back().style, box::kTopMost | box::kIconError) << c.what;
    EXPECT_EQ(static_cast<int>(rig.internet.Opened().size()), c.opened) << c.what;
    EXPECT_EQ(rig.Folder("plugins"), rig.before) << c.what;
    EXPECT_EQ(rig.PluginCalls("endPlugin"), 0) << c.what;
    EXPECT_TRUE(rig.Running() && rig.Marked()) << c.what;
    EXPECT_EQ(rig.manager.busyIndex.load(), -1) << c.what;
  }
}

// Names as browsers save them: escapes decoded as UTF-8, the metadata's own characters taken in
// the system's code page (Latin-1 here), a "%" that escapes nothing kept. Each file is stored
// under its exact name; the texts show it in the system's code page.
TEST(PluginUpdate, FileNamesAreStoredAsBrowsersSaveThem) {
  AlphaRig rig;
  rig.Publish("Alpha.files: http://site/caf%C3%A9.txt site/na\xEFve.txt site/100%25%2.txt\n");
  rig.internet.Serve("http://site/caf%C3%A9.txt", "escaped");
  rig.internet.Serve("http://site/na\xEFve.txt", "in the code page");
  rig.internet.Serve("http://site/100%25%2.txt", "percent");
  rig.Update();
  EXPECT_EQ(rig.Statuses(),
            (std::vector<std::string>{"Downloading caf\xE9.txt...", "Downloading na\xEFve.txt...",
                                      "Downloading 100%%2.txt..."}));
  auto expected = rig.before;
  expected["plugins/a/caf\xC3\xA9.txt"] = "escaped";
  expected["plugins/a/na\xC3\xAFve.txt"] = "in the code page";
  expected["plugins/a/100%%2.txt"] = "percent";
  EXPECT_EQ(rig.Folder("plugins"), expected);
  EXPECT_FALSE(rig.Marked());
}

// The release statement of Alpha's three files as its author's sign-update builds it.
std::string StatementOfAlpha(const std::string &name, const std::string &version,
                             const std::string &date, const std::string &dll = "a.dll",
                             const std::string &dllContent = "new a") {
  return "kestrane-release 1\nname: " + name + "\nversion: " + version + "\ndate: " + date +
         "\nfile: " + dll + " " + Sha256Hex(dllContent) + "\nfile: a.txt " + Sha256Hex("new text") +
         "\nfile: a.ini " + Sha256Hex("new ini") + "\n";
}

// Alpha carries its author's key: only a release signed with it, not older than the running
// one, whose new library carries a key too, replaces its files. A refusal leaves the folder
// and the plug-in as they were; one the metadata decides downloads nothing.
TEST(PluginUpdate, APluginWithAKeyTakesOnlyAReleaseSignedWithIt) {
  static const AuthorKey author(1), stranger(2);
  const std::string good = StatementOfAlpha("Alpha", "1.1", "2004-02-02");
  const std::string sums = "Alpha.sha256: " + Sha256Hex("new a") + " " + Sha256Hex("new text") +
                           " " + Sha256Hex("new ini") + "\n";
  auto signedBy = [&](const AuthorKey &key, const std::string &statement) {
    return sums + "Alpha.signature: " + key.Sign(statement) + "\n";
  };
  const std::string notSigned =
      "The update of Alpha is not signed with its update key.\nNothing was changed.";
  struct Case {
    const char *what;
    std::string metadata;  // after the files
    std::string message;   // empty: the update is accepted
    std::string date = "2004-02-02";
    std::string resource = author.PublicBase64();     // the installed library's; empty: none
    std::string newResource = author.PublicBase64();  // the new library's
    bool readable = true;
    std::string library = "http://site/a.dll";
  } cases[] = {
      {"signed", signedBy(author, good), ""},
      {"signed, a new key in the new library", signedBy(author, good), "", "2004-02-02",
       author.PublicBase64(), stranger.PublicBase64()},
      {"older", signedBy(author, StatementOfAlpha("Alpha", "1.1", "2003-12-31")),
       "The update of Alpha, dated 2003-12-31, is older than the version you have.\nNothing was "
       "changed.",
       "2003-12-31"},
      {"the new library without a key", signedBy(author, good),
       "The new version of Alpha carries no update key.\nNothing was changed.", "2004-02-02",
       author.PublicBase64(), ""},
      {"by another key", signedBy(stranger, good), notSigned},
      {"no signature", sums, notSigned},
      {"no sha256", "Alpha.signature: " + author.Sign(good) + "\n", notSigned},
      {"the old per-file list", sums + "Alpha.signatures: " + author.Sign("new a") + "\n",
       notSigned},
      {"for another name", signedBy(author, StatementOfAlpha("Alphb", "1.1", "2004-02-02")),
       notSigned},
      {"for another version", signedBy(author, StatementOfAlpha("Alpha", "1.2", "2004-02-02")),
       notSigned},
      {"for another date", signedBy(author, StatementOfAlpha("Alpha", "1.1", "2004-02-03")),
       notSigned},
      {"for another file name",
       signedBy(author, StatementOfAlpha("Alpha", "1.1", "2004-02-02", "b.dll")), notSigned},
      {"for other bytes",
       signedBy(author, StatementOfAlpha("Alpha", "1.1", "2004-02-02", "a.dll", "new b")),
       notSigned},
      {"a malformed key", signedBy(author, good), notSigned, "2004-02-02",
       author.PublicBase64().substr(4)},
      {"a library unreadable as data", signedBy(author, good), notSigned, "2004-02-02", "", "",
       false},
      {"no key, nothing signed", "", "", "2004-02-02", "", ""},
      {"the new library under an escaped name, without a key", signedBy(author, good),
       "The new version of Alpha carries no update key.\nNothing was changed.", "2004-02-02",
       author.PublicBase64(), "", true, "http://site/%61.dll"},
  };
  for (const Case &c : cases) {
    AlphaRig rig;
    FakeModule &alpha = rig.libraries.available[rig.root + "plugins/a/a.dll"];
    if (!c.resource.empty()) alpha.resources["KESTRANE_UPDATE_KEY"] = c.resource;
    alpha.readableAsData = c.readable;
    FakeModule &staged = rig.libraries.available[rig.root + "plugins/a/a.dll.kestrane-new"];
    if (!c.newResource.empty()) staged.resources["KESTRANE_UPDATE_KEY"] = c.newResource;
    rig.internet.Serve("http://site/%61.dll", "new a");
    rig.Write("metadata.txt", "Alpha.version: 1.1\nAlpha.date: " + c.date + "\nAlpha.files: " +
                                  c.library + " http://site/a.txt site/a.ini\n" + c.metadata);
    rig.Update();
    ASSERT_EQ(rig.Boxes().size(), 2u) << c.what;
    if (c.message.empty()) {
      EXPECT_EQ(rig.Boxes()[1].rfind("Update Procedure Complete.", 0), 0u) << c.what;
      EXPECT_EQ(rig.Read("plugins/a/a.txt"), "new text") << c.what;
      EXPECT_FALSE(rig.Marked()) << c.what;
      continue;
    }
    EXPECT_EQ(rig.Boxes()[1], c.message) << c.what;
    EXPECT_EQ(rig.desktop.boxes.back().style, box::kTopMost | box::kIconError) << c.what;
    const bool afterDownload = c.message.rfind("The new version", 0) == 0;
    EXPECT_EQ(rig.internet.Opened().size(), afterDownload ? 3u : 0u) << c.what;
    EXPECT_TRUE(
        rig.log.Matching("MoveFileOver " + rig.root + "plugins/a/a.dll.kestrane-old").empty())
        << c.what;
    EXPECT_EQ(rig.Folder("plugins"), rig.before) << c.what;
    EXPECT_EQ(rig.PluginCalls("endPlugin"), 0) << c.what;
    EXPECT_TRUE(rig.Running() && rig.Marked()) << c.what;
    EXPECT_EQ(rig.manager.busyIndex.load(), -1) << c.what;
  }
}

TEST(PluginUpdate, AFileThatCannotBeMovedIntoPlacePutsEveryOtherBack) {
  AlphaRig rig;
  rig.kernel.failMoveTo = "a.ini";
  rig.Update();
  EXPECT_EQ(rig.Boxes().back(), "Could not complete download");
  EXPECT_EQ(rig.Folder("plugins"), rig.before);
  EXPECT_EQ(rig.PluginCalls("endPlugin"), 1);  // stopped, then started on its old files
  EXPECT_EQ(rig.PluginCalls("beginPlugin"), 1);
  EXPECT_TRUE(rig.Running() && rig.Marked());
  EXPECT_EQ(rig.ReadList(), "plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
}

// The new version cannot start: it faults in beginPlugin or pluginInfo, or lacks endPlugin.
// It is ended and unloaded, every previous file goes back (last first), the previous version
// starts again and stays marked, the line stays as it was, and the undo box alone says so.
TEST(PluginUpdate, ANewVersionThatCannotStartIsUndone) {
  struct Case {
    const char *what;
    const char *faultIn;  // in the new version; nullptr: it lacks endPlugin instead
    std::vector<std::string> boxes;
  } cases[] = {
      {"begin faults", "beginPlugin", {}},
      {"its information faults", "pluginInfo 1", {}},
      {"cannot be linked", nullptr, {"Could not link to plugin functions in...\n\n"}},
  };
  for (const Case &c : cases) {
    AlphaRig rig;
    testing::FakeModule &alpha = rig.libraries.available[rig.root + "plugins/a/a.dll"];
    auto isNew = [&rig] { return rig.Read("plugins/a/a.dll") == "new a"; };
    if (c.faultIn != nullptr) {
      alpha.behaviour = [&, isNew](const std::string &call) {
        return call == c.faultIn && isNew() ? testing::FaultAt(0x10) : Fault{};
      };
    } else {
      rig.libraries.whileLoading = [&, isNew](const std::string &) {
        alpha.hasEndPlugin = !isNew();
      };
    }
    rig.Update();
    std::vector<std::string> boxes = rig.Boxes();
    ASSERT_EQ(boxes.size(), 2 + c.boxes.size()) << c.what;
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
      EXPECT_EQ(boxes[1 + i].rfind(c.boxes[i], 0), 0u) << c.what;
    }
    EXPECT_EQ(boxes.back(),
              "The new version of Alpha could not start, so the update was undone:\nthe "
              "previous version runs again.")
        << c.what;
    EXPECT_EQ(rig.desktop.boxes.back().style, box::kTopMost | box::kIconError);
    EXPECT_EQ(rig.Folder("plugins"), rig.before) << c.what;
    EXPECT_TRUE(rig.Running() && rig.Marked()) << c.what;
    EXPECT_FALSE(rig.manager.plugins.slots[0].faulted) << c.what;
    EXPECT_EQ(rig.ReadList(), "plugins/a/a.dll\r\nplugins/b/b.dll\r\n") << c.what;
    EXPECT_EQ(rig.manager.updateRestartSlot, -1);
  }
  // The order: the new version ended and unloaded, then the files back, then the old started.
  AlphaRig rig;
  rig.libraries.available[rig.root + "plugins/a/a.dll"].behaviour = [&](const std::string &call) {
    return call == "beginPlugin" && rig.Read("plugins/a/a.dll") == "new a" ? testing::FaultAt(0x10)
                                                                           : Fault{};
  };
  rig.Update();
  const std::string a = rig.root + "plugins/a/";
  const auto &log = rig.log;
  const int restart = log.IndexOf("call beginPlugin");
  const int ended = log.IndexOf("call endPlugin", restart);
  const int unloaded = log.IndexOf("FreeLibrary " + a + "a.dll", ended);
  const int back = log.IndexOf("MoveFileOver " + a + "a.ini", unloaded);
  EXPECT_LT(restart, ended);
  EXPECT_LT(ended, unloaded);
  // a.ini had no previous file: it is removed; a.txt and then a.dll come back over the new ones.
  EXPECT_EQ(back, -1);
  EXPECT_LT(unloaded, log.IndexOf("MoveFileOver " + a + "a.txt", unloaded));
  EXPECT_LT(log.IndexOf("MoveFileOver " + a + "a.txt", unloaded),
            log.IndexOf("MoveFileOver " + a + "a.dll", unloaded));
  EXPECT_LT(log.IndexOf("MoveFileOver " + a + "a.dll", unloaded),
            log.IndexOf("call beginPlugin", unloaded));
}

// A previous file that is there but cannot be read (on Windows, one whose rights allow renaming
// but not reading; here a socket) is moved aside all the same and comes back with the undo.
TEST(PluginUpdate, APreviousFileThatCannotBeReadComesBackWithTheUndo) {
  AlphaRig rig;
  const std::string unreadable = rig.root + "plugins/a/a.txt";
  std::filesystem::remove(unreadable);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(unreadable.size(), sizeof address.sun_path);
  unreadable.copy(address.sun_path, unreadable.size());
  int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
  close(socket);
  rig.libraries.available[unreadable.substr(0, unreadable.size() - 3) + "dll"].behaviour =
      [&](const std::string &call) {
        return call == "beginPlugin" && rig.Read("plugins/a/a.dll") == "new a"
                   ? testing::FaultAt(0x10)
                   : Fault{};
      };
  rig.Update();
  EXPECT_EQ(rig.Boxes().back().rfind("The new version of Alpha could not start", 0), 0u);
  EXPECT_TRUE(std::filesystem::is_socket(unreadable));
  EXPECT_EQ(rig.Read("plugins/a/a.dll"), "old a");
  EXPECT_FALSE(std::filesystem::exists(unreadable + ".kestrane-old"));
}

// A plug-in that faults when asked for its version ends its update without a question; one
// that faults while its update stops it ends the update before a file is replaced. Either
// fault is reported as any other.
TEST(PluginUpdate, APluginThatFaultsEndsItsUpdate) {
  {
    AlphaRig rig;
    rig.libraries.available[rig.root + "plugins/a/a.dll"].faults["pluginInfo 2"] =
        testing::FaultAt(0x10);
    rig.Update();
    ASSERT_EQ(rig.Boxes().size(), 1u);
    EXPECT_EQ(rig.Boxes()[0].rfind("a.dll faulted in pluginInfo and was switched off.", 0), 0u);
    EXPECT_TRUE(rig.internet.Opened().empty());
    EXPECT_EQ(rig.manager.busyIndex.load(), -1);
  }
  AlphaRig rig;
  rig.libraries.available[rig.root + "plugins/a/a.dll"].faults["endPlugin"] =
      testing::FaultAt(0x10);
  rig.Update();
  ASSERT_EQ(rig.Boxes().size(), 2u);
  EXPECT_EQ(rig.Boxes()[1].rfind("a.dll faulted in endPlugin and was switched off.", 0), 0u);
  EXPECT_EQ(rig.Folder("plugins"), rig.before);
  EXPECT_FALSE(rig.Running());
  EXPECT_EQ(rig.ReadList(), "!plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
  EXPECT_EQ(rig.manager.updates.pausedSlot, -1);
}

TEST(PluginUpdate, EndsBeforeDownloadingWhenThereIsNothingToDo) {
  struct Case {
    const char *metadata;
    std::vector<int> answers;
    std::vector<std::string> boxes;
    bool marked;
  } cases[] = {
      {"", {}, {"No update information was available"}, false},
      {"Alpha.version: 1.0\nAlpha.date: 2004-01-01\n",
       {},
       {"You already have the online version of this plugin"},
       false},
      {"Alpha.version: 1.1\nAlpha.date: 2004-02-02\nAlpha.files: http://site/a.dll\n",
       {box::kAnswerNo},
       {"Name:"},
       true},
      {"Alpha.version: 1.1\nAlpha.date: 2004-02-02\nAlpha.files:\nAlpha.archive:   \n",
       {box::kAnswerYes},
       {"Name:", "No file information was provided!\nPlease contact the plugin's developer."},
       true},
  };
  for (const Case &c : cases) {
    AlphaRig rig;
    rig.Write("metadata.txt", c.metadata);
    rig.desktop.answers.assign(c.answers.begin(), c.answers.end());
    HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 0");
    rig.RunWorkers();
    std::vector<std::string> boxes = rig.Boxes();
    if (!boxes.empty() && boxes[0].rfind("Name:", 0) == 0) boxes[0] = "Name:";
    EXPECT_EQ(boxes, c.boxes) << c.metadata;
    EXPECT_TRUE(rig.internet.Opened().empty());
    EXPECT_EQ(rig.PluginCalls("endPlugin"), 0);
    EXPECT_EQ(rig.Marked(), c.marked) << c.metadata;
  }
}

// Lists are read whole, far beyond a path's length. One that fills its text was cut there and
// would install part of a release as all of it: it is refused as no list at all, and so are
// digests and a signature that fill theirs.
TEST(PluginUpdate, ALongListIsReadWholeAndACutOneRefused) {
  auto list = [](AlphaRig &rig, int count) {
    std::string urls;
    for (int i = 0; i < count; ++i) {
      std::string url = "http://site/" + std::string(200, 'd') + "/f" + std::to_string(i) + ".txt";
      rig.internet.Serve(url, "file " + std::to_string(i));
      urls += url + " ";
    }
    return urls;
  };
  {
    AlphaRig rig;
    rig.Publish("Alpha.files: " + list(rig, 12) + "\n");
    rig.Update();
    EXPECT_EQ(rig.Boxes().back().rfind("Update Procedure Complete.", 0), 0u);
    EXPECT_EQ(rig.Read("plugins/a/f11.txt"), "file 11");
  }
  const std::string files = "Alpha.files: http://site/a.dll\n";
  for (const std::string &metadata :
       {std::string(), files + "Alpha.sha256: " + std::string(5000, 'a') + "\n",
        files + "Alpha.signature: " + std::string(5000, 'A') + "\n",
        // Cut among blanks: trimmed, it would look whole.
        "Alpha.files: http://site/a.dll" + std::string(5000, ' ') + "http://site/a.txt\n"}) {
    AlphaRig rig;
    rig.Publish(metadata.empty() ? "Alpha.files: " + list(rig, 20) + "\n" : metadata);
    rig.Update();
    EXPECT_EQ(rig.Boxes().back(),
              "No file information was provided!\nPlease contact the plugin's developer.");
    EXPECT_TRUE(rig.internet.Opened().empty());
    EXPECT_TRUE(rig.Marked());
  }
}

// The same version with its date unpublished is still offered, the date shown as missing;
// the archive then stands in for the files, and its zip offer leads to the folder browser.
TEST(PluginUpdate, AnArchiveInPlaceOfTheFilesIsOfferedForExtraction) {
  AlphaRig rig;
  rig.Write("metadata.txt", "Alpha.version: 1.0\nAlpha.files:\nAlpha.archive: http://site/a.zip\n");
  rig.internet.Serve("http://site/a.zip", "PK...");
  rig.folders.answers = {"/chosen/folder"};
  rig.Update({box::kAnswerYes, box::kAnswerYes});
  std::vector<std::string> boxes = rig.Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_NE(boxes[0].find("Online Version: \t1.0\nDate: \t\t[No Info]\nAuthor: \t\t[No Info]"),
            std::string::npos)
      << boxes[0];
  EXPECT_EQ(boxes[1],
            "The update included a zip archive called a.zip.\nWould you like to extract it now? "
            "If yes, then\nyou will be prompted for a folder to extract it to.");
  EXPECT_EQ(rig.desktop.boxes[1].style, box::kTopMost | box::kIconInformation | box::kYesNo);
  EXPECT_EQ(rig.log.Matching("ChooseFolder"),
            std::vector<std::string>{"ChooseFolder Select the folder to extract to..."});
  EXPECT_EQ(rig.folders.lastOwner, rig.window);
  EXPECT_EQ(rig.folders.lastFlags, 1u);
  // What came is no archive: the extraction says so, and the update still counts as done.
  EXPECT_EQ(boxes[2],
            "The zip archive extraction produced the following message...\n\n"
            "Could Not Open Zip");
  EXPECT_EQ(rig.Read("plugins/a/a.zip"), "PK...");
  EXPECT_TRUE(rig.Running());
}

TEST(PluginUpdate, APluginThatWasNotRunningIsStartedAndTheWaitForItsStopRunsOut) {
  AlphaRig rig;
  TogglePluginEntry(rig.manager, 0);
  rig.Update();
  EXPECT_EQ(rig.Boxes().back(), "A Problem occurred when trying\nto reload the plugin.");
  EXPECT_GE(rig.kernel.ticks, 4000u);
  EXPECT_LT(rig.kernel.ticks, 4200u);
  EXPECT_TRUE(rig.Running());
  EXPECT_EQ(rig.Folder("plugins"), rig.before);
}

TEST(UpdatePluginCommand, ASecondUpdateWaitsForTheFirst) {
  AlphaRig rig;
  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 0");
  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 1");
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{
                             "You must wait for current download\nto complete before starting "
                             "another!"});
  EXPECT_EQ(rig.desktop.boxes[0].style, box::kTopMost | box::kIconError);
  EXPECT_EQ(rig.manager.busyIndex.load(), 0);
  rig.desktop.answers = {box::kAnswerNo};
  rig.RunWorkers();
  EXPECT_EQ(rig.manager.busyIndex.load(), -1);
  HandleBroam(rig.manager, "@KestraneInternal UpdatePlugin 1");
  EXPECT_EQ(rig.manager.busyIndex.load(), 1);
}

// Shut-down while a file downloads, while the user is asked, and while the plug-in is
// stopped for its new files: the worker leaves without a message, a window call or a file
// of the update left behind, and the plug-in is not left switched off in the list.
TEST(PluginUpdate, ShutDownStopsTheWorkerWhereverItIs) {
  {
    AlphaRig rig;
    ScriptedAnswer slow;
    slow.body = "new text";
    slow.beforeRead = [&] { EndManager(rig.manager, kNoModule); };
    rig.internet.Serve("http://site/a.txt", slow);
    rig.Update();
    EXPECT_EQ(rig.internet.CloseAllCalls(), 1);
    EXPECT_EQ(rig.internet.Opened().size(), 2u);
    EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kConsentOfAlpha});
    EXPECT_EQ(rig.Folder("plugins"), rig.before);
    // The ended session's busy index: a worker gives nothing back once its session is over.
    EXPECT_EQ(rig.manager.busyIndex.load(), 0);
  }
  {
    AlphaRig rig;
    rig.desktop.whileShown = [&](const testing::ShownBox &) { EndManager(rig.manager, kNoModule); };
    rig.Update({box::kAnswerYes});
    EXPECT_TRUE(rig.internet.Opened().empty());
    EXPECT_EQ(rig.Folder("plugins"), rig.before);
  }
  {
    AlphaRig rig;
    // The archive's name goes beyond ASCII: the journal notes it in UTF-8.
    rig.Publish("Alpha.files: http://site/a.dll http://site/%C3%A4.zip\n");
    rig.internet.Serve("http://site/%C3%A4.zip", "PK");
    rig.desktop.whileShown = [&](const testing::ShownBox &b) {
      if (b.text.rfind("The update included", 0) == 0) EndManager(rig.manager, kNoModule);
    };
    rig.Update({box::kAnswerYes, box::kAnswerYes});
    EXPECT_EQ(rig.Boxes().size(), 2u);
    EXPECT_TRUE(rig.log.Matching("ChooseFolder").empty());
    EXPECT_EQ(rig.Read("plugins/a/a.dll"), "new a");  // the files were in place already
    EXPECT_EQ(rig.ReadList(), "plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
    // The new version never started: its previous files stay aside, and the journal's note
    // has the next start put them back, before anything is linked.
    EXPECT_EQ(rig.Folder("plugins"),
              (std::map<std::string, std::string>{{"plugins/a/a.dll", "new a"},
                                                  {"plugins/a/a.dll.kestrane-old", "old a"},
                                                  {"plugins/a/a.txt", "old text"},
                                                  {"plugins/a/\xC3\xA4.zip", "PK"},
                                                  {"plugins/b/b.dll", "old b"}}));
    rig.desktop.whileShown = nullptr;
    rig.Write("plugins/a/\xC3\xA4.zip.kestrane-new", "left staged");
    rig.desktop.boxes.clear();
    BeginSession(rig.manager);
    EXPECT_EQ(rig.Boxes(),
              std::vector<std::string>{"The update of Alpha did not finish, so it was undone: the "
                                       "previous version runs again."});
    EXPECT_EQ(rig.Folder("plugins"),
              (std::map<std::string, std::string>{{"plugins/a/a.dll", "old a"},
                                                  {"plugins/a/a.txt", "old text"},
                                                  {"plugins/b/b.dll", "old b"}}));
    rig.manager.journal.End();
    rig.desktop.boxes.clear();
    BeginSession(rig.manager);  // the note went with the undo
    EXPECT_TRUE(rig.Boxes().empty());
  }
  {
    // Shut-down just after the update stopped the plug-in (as the worker next reads the
    // clock): no file is moved, the new ones go, and the plug-in starts on its old files next
    // time.
    AlphaRig rig;
    bool ended = false;
    rig.kernel.onTickCount = [&] {
      if (ended || rig.Running()) return;
      ended = true;
      EndManager(rig.manager, kNoModule);
    };
    rig.Update();
    EXPECT_TRUE(ended);
    EXPECT_EQ(rig.Folder("plugins"), rig.before);
    EXPECT_EQ(rig.ReadList(), "plugins/a/a.dll\r\nplugins/b/b.dll\r\n");
    EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kConsentOfAlpha});
  }
}

}  // namespace
}  // namespace kestrane
