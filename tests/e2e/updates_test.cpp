// Online updates end to end: the real Kestrane.dll in corvane.exe under Wine, real WinINet
// against a loopback update site in this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "shell_session.h"
#include "update_site.h"
#include "zip_maker.h"

namespace kestrane::e2e {
namespace {

using site::UpdateSite;

// A text as the transcript quotes it.
std::string Quoted(const std::string &text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '\n') {
      q += "\\n";
    } else if (c == '\t') {
      q += "\\t";
    } else {
      if (c == '\\' || c == '"') q += '\\';
      q += c;
    }
  }
  return q + "\"";
}

std::string Box(const std::string &style, const std::string &text) {
  return "msgbox owner=wnd:0 caption=\"Kestrane 0.7b\" style=" + style + " text=" + Quoted(text);
}
const std::string kInfo = "0x00040040", kError = "0x00040010", kQuestion = "0x00040044";

// The box of a file that did not arrive: its name, its address and why.
std::string DownloadFailed(const std::string &url, const std::string &why) {
  return "Could not complete download\nof " + url.substr(url.rfind('/') + 1) + " from " + url +
         ":\n" + why;
}

const char kComplete[] =
    "Update Procedure Complete.\n\nIf the download included a zip file you\nmay have to check "
    "that the files where\nextracted to the right place ;P";

std::string Sha256(const std::string &content) {
  char name[] = "/tmp/kestrane-sha-XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return "";
  FILE *f = fdopen(fd, "wb");
  std::fwrite(content.data(), 1, content.size(), f);
  std::fclose(f);
  std::string command = std::string("sha256sum ") + name;
  FILE *p = popen(command.c_str(), "r");
  char hex[65] = {};
  if (p == nullptr || std::fread(hex, 1, 64, p) != 64) hex[0] = 0;
  if (p != nullptr) pclose(p);
  std::remove(name);
  return hex;
}

// What a command of this machine prints.
std::string Output(const std::string &command) {
  std::string out;
  FILE *p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char block[4096];
  std::size_t n;
  while ((n = std::fread(block, 1, sizeof block, p)) > 0) out.append(block, n);
  pclose(p);
  return out;
}

// scripts/sign-update's lines for the release NAME VERSION DATE of `files` (of the session
// folder), signed with `key`.
std::string SignedLines(const ShellSession &session, const std::string &key,
                        const std::string &release, const std::vector<std::string> &files) {
  std::string command =
      std::string(KESTRANE_SOURCE_DIR) + "/scripts/sign-update '" + key + "' " + release;
  for (const std::string &f : files) command += " '" + session.folder() + "/" + f + "'";
  return Output(command);
}

// The value of a metadata line "NAME.KEY: value\n" among `lines`.
std::string Value(const std::string &lines, const std::string &key) {
  std::size_t at = lines.find(key + ": ");
  if (at == std::string::npos) return "";
  at += key.size() + 2;
  return lines.substr(at, lines.find('\n', at) - at);
}

// Alpha at plugins/a/a.dll (plugin_ex, version 1.0); its update is plugin_full with a new .info.
struct AlphaSession {
  AlphaSession() {
    session.InstallKestrane();
    session.InstallPlugin("plugin_ex", "plugins/a/a.dll", kOldInfo);
    session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\n");
    newLibrary = session.BuildFile("plugins/plugin_full.dll");
    site.Serve("a.dll", newLibrary);
    site.Serve("files/a.info", kNewInfo);
    site.Redirect("a.info", "files/a.info");
    Publish("Alpha.files: " + site.Url("a.dll") + " " + site.Url("a.info") + "\n");
  }
  void Publish(const std::string &extra) {
    session.WriteFile("metadata.txt",
                      "Alpha.version: 2.0\nAlpha.date: 2004-06-01\n"
                      "Alpha.author: Ann\nAlpha.information: A clock.\n"
                      "Alpha.changes: Faster.\n" +
                          extra);
  }
  static constexpr const char *kOldInfo = "1=Alpha\n2=1.0\n3=Ann\n4=2004-01-01\n";
  static constexpr const char *kNewInfo = "1=Alpha\n2=2.0\n3=Ann\n4=2004-06-01\n";
  ShellSession session;
  UpdateSite site;
  std::string newLibrary;
};

// One of the plug-in's files is read-only: it is replaced all the same, and nothing of the old
// one stays behind.
TEST(Updates, TwoFilesReplaceTheRunningPluginWhichStartsAgainOnThem) {
  AlphaSession s;
  ASSERT_TRUE(s.site.Running());
  std::filesystem::permissions(s.session.folder() + "/plugins/a/a.info",
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  RunResult run = s.session.Run("beginPlugin",
                                "answer yes\n"
                                "broam @KestraneInternal UpdatePlugin 0\n"
                                "waitfor 20000 Update Procedure Complete\n"
                                "broam @KestraneInternal AboutPlugins\n"
                                "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(s.site.Requests(),
            (std::vector<std::string>{"GET /a.dll", "GET /a.info", "GET /files/a.info"}));
  // One announcement a file; a slow machine may add progress texts ("... N%") in between.
  std::vector<std::string> announced;
  for (const std::string &line : run.Lines("status \"Downloading a.")) {
    if (line.find("%\"") == std::string::npos) announced.push_back(line);
  }
  EXPECT_EQ(announced, (std::vector<std::string>{"status \"Downloading a.dll...\"",
                                                 "status \"Downloading a.info...\""}))
      << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 3u) << run.Dump();
  EXPECT_EQ(boxes[0],
            Box(kQuestion,
                "Name: \t\tAlpha\nCurrent Version: \t1.0\nDate: \t\t2004-01-01\n\nOnline "
                "Version: \t2.0\nDate: \t\t2004-06-01\nAuthor: \t\tAnn\n\nDescription...\nA "
                "clock.\n\nChanges...\nFaster.\n\nDo you want to download this update?") +
                " -> yes");
  EXPECT_EQ(boxes[1], Box(kInfo, kComplete) + " -> ok");
  EXPECT_NE(boxes[2].find("text=\"Alpha 2.0 by Ann (2004-06-01)"), std::string::npos) << boxes[2];
  EXPECT_EQ(run.PluginStartsAndEnds(), (std::vector<std::string>{
                                           "plugin a.dll beginPlugin module=a.dll",
                                           "plugin a.dll endPlugin module=a.dll",
                                           "plugin a.dll beginPlugin module=a.dll",
                                           "plugin a.dll endPlugin module=a.dll",
                                       }))
      << run.Dump();
  // Both new files were there before the plug-in was stopped.
  EXPECT_LT(run.Find("status \"Downloading a.info...\""), run.Find("plugin a.dll endPlugin"));
  EXPECT_EQ(s.session.Files("plugins"),
            (std::map<std::string, std::string>{{"plugins/a/a.dll", s.newLibrary},
                                                {"plugins/a/a.info", AlphaSession::kNewInfo}}));
  EXPECT_EQ(s.session.ReadFile("KSTR_Plugins.rc"), "plugins\\a\\a.dll\r\n");
}

// The new version faults in its begin function: the previous files come back byte for byte
// and run again, the update stays offered, and only the undo box says so. And one that ends
// the shell while it starts is undone at the next start.
TEST(Updates, AnUpdateWhoseNewVersionFaultsWhileStartingIsUndone) {
  AlphaSession s;
  s.site.Serve("files/a.info", std::string(AlphaSession::kNewInfo) + "begin=fault\n");
  const auto before = s.session.Files("plugins");
  RunResult run = s.session.Run("beginPlugin",
                                "answer yes\n"
                                "broam @KestraneInternal UpdatePlugin 0\n"
                                "waitfor 20000 could not start\n"
                                "broam @KestraneInternal AboutPlugins\n"
                                "rclick Kestrane\n"
                                "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 3u) << run.Dump();
  EXPECT_EQ(boxes[1], Box(kError,
                          "The new version of Alpha could not start, so the update was "
                          "undone:\nthe previous version runs again.") +
                          " -> ok");
  EXPECT_NE(boxes[2].find("text=\"Alpha 1.0 by Ann (2004-01-01)"), std::string::npos) << boxes[2];
  // Old, stopped for the update; new, faulting, given its endPlugin and unloaded; old again.
  EXPECT_EQ(run.PluginStartsAndEnds(), (std::vector<std::string>{
                                           "plugin a.dll beginPlugin module=a.dll",
                                           "plugin a.dll endPlugin module=a.dll",
                                           "plugin a.dll beginPlugin module=a.dll",
                                           "plugin a.dll endPlugin module=a.dll",
                                           "plugin a.dll beginPlugin module=a.dll",
                                           "plugin a.dll endPlugin module=a.dll",
                                       }))
      << run.Dump();
  const int restarted = run.Find("plugin a.dll beginPlugin", run.Find("msgbox") + 1);
  EXPECT_LT(run.Find("plugin a.dll unloaded", restarted),
            run.Find("plugin a.dll beginPlugin", restarted + 1));
  EXPECT_EQ(s.session.Files("plugins"), before);
  EXPECT_EQ(s.session.ReadFile("KSTR_Plugins.rc"), "plugins\\a\\a.dll\r\n");
  EXPECT_NE(run.Find("menu     item \"Alpha\" \"@KestraneInternal UpdatePlugin 0\""), -1)
      << run.Dump();

  // The new version ends the shell while it starts: the next start puts the previous files
  // back before it links anything, says so once, and runs the previous version.
  s.site.Serve("files/a.info", std::string(AlphaSession::kNewInfo) + "begin=exit\n");
  RunResult exited = s.session.Run("beginPlugin",
                                   "answer yes\nbroam @KestraneInternal UpdatePlugin 0\n"
                                   "waitfor 20000 plugin a.dll exit\nend\n");
  ASSERT_EQ(exited.exitCode, 9) << exited.Dump();
  RunResult next = s.session.Run("beginPlugin", "broam @KestraneInternal AboutPlugins\nend\n");
  ASSERT_EQ(next.exitCode, 0) << next.Dump();
  EXPECT_EQ(next.Lines("msgbox"),
            (std::vector<std::string>{
                Box(kError,
                    "The update of Alpha did not finish, so it was undone: the previous version "
                    "runs again.") +
                    " -> ok",
                boxes[2]}));
  EXPECT_EQ(s.session.Files("plugins"), before);
  EXPECT_FALSE(s.session.Exists("KSTR_Plugins.rc.journal"));
}

// Two plug-ins name one site, a third another, a fourth none: three requests, one file of
// the three bodies, the count, and the marked plug-ins under "Update Plugin".
TEST(Updates, TheCheckFetchesEachSiteOnceAndTheMenuShowsWhatItMarked) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  const std::string one = site.Url("one/meta.txt"), two = site.Url("two/meta.txt");
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "1=Alpha\n2=1.0\n4=d1\n8=" + one + "\n");
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "1=Beta\n2=1.0\n4=d1\n8=" + one + "\n");
  session.InstallPlugin("plugin_full", "plugins/c/c.dll", "1=Gamma\n2=1.0\n4=d1\n8=" + two + "\n");
  session.InstallPlugin("plugin_noinfo", "plugins/d/d.dll");
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\a\\a.dll\r\nplugins\\b\\b.dll\r\nplugins\\c\\c.dll\r\n"
                    "plugins\\d\\d.dll\r\n");
  session.WriteFile("Kestrane.rc",
                    "Kestrane.plugin.defaultupdateURL: " + site.Url("default/meta.txt") + "\r\n");
  const std::string bodies[] = {
      "Alpha.version: 1.1\nAlpha.date: d1\nBeta.version: 1.0\n"
      "Beta.date: d1\n",
      "Gamma.version: 1.0\r\nGamma.date: d2\r\n", "d.dll.version: 0.1\nd.dll.date: 2004\n"};
  // Fetched at once, they answer in the reverse of the file's order.
  site.Delay("one/meta.txt", bodies[0], 1500);
  site.Delay("two/meta.txt", bodies[1], 700);
  site.Serve("default/meta.txt", bodies[2]);
  RunResult run = session.Run("beginPlugin",
                              "broam @KestraneInternal CheckForUpdates\n"
                              "waitfor 20000 updates available\n"
                              "rclick Kestrane\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto requests = site.Requests();
  std::sort(requests.begin(), requests.end());
  EXPECT_EQ(requests, (std::vector<std::string>{"GET /default/meta.txt", "GET /one/meta.txt",
                                                "GET /two/meta.txt"}));
  EXPECT_EQ(session.ReadFile("metadata.txt"), bodies[0] + bodies[1] + bodies[2]);
  EXPECT_EQ(run.Lines("status"),
            std::vector<std::string>{"status \"Downloading Update Information...\""});
  EXPECT_EQ(run.Lines("msgbox"),
            std::vector<std::string>{
                Box(kInfo,
                    "There are 3 updates available.\n\nUse the \"Update Plugin\" menu\nto "
                    "choose the updates you wish\nto install.") +
                " -> ok"});
  int menu = run.Find("menu   sub \"Update Plugin\"");
  ASSERT_NE(menu, -1) << run.Dump();
  EXPECT_EQ(std::vector<std::string>(run.transcript.begin() + menu + 1,
                                     run.transcript.begin() + menu + 5),
            (std::vector<std::string>{
                "menu     item \"Alpha\" \"@KestraneInternal UpdatePlugin 0\" checked=0",
                "menu     item \"Gamma\" \"@KestraneInternal UpdatePlugin 2\" checked=0",
                "menu     item \"d.dll\" \"@KestraneInternal UpdatePlugin 3\" checked=0",
                "menu   nop \"\""}))
      << run.Dump();
}

// Automatic checks every day, none made yet, one plug-in with an update on its site: 15 s after
// start-up the site is asked without a word, the time of the check is stored, the button wears
// its mark (white, the stand-in style's text colour, a disc of 5 x 5 pixels a pixel in from the
// top right corner) and "Update Plugin" offers the plug-in.
TEST(Updates, AnAutomaticCheckFindsAnUpdateSilentlyAndMarksTheButton) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll",
                        "1=Alpha\n2=1.0\n4=d1\n8=" + site.Url("meta.txt") + "\n");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\n");
  session.WriteFile("Kestrane.rc", "Kestrane.update.checkEveryDays: 1\r\n");
  site.Serve("meta.txt", "Alpha.version: 2.0\nAlpha.date: d2\n");
  auto utc = [] {
    std::time_t now = std::time(nullptr);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%F %R", std::gmtime(&now)));
  };
  const std::string before = utc();
  RunResult run = session.Run("beginPlugin",
                              "waitfor 30000 \"Kestrane.update.lastCheck:\" \"2\n"
                              "wait 300\n"
                              "screenshot Kestrane shot.bmp\n"
                              "rclick Kestrane\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
  EXPECT_EQ(site.Requests(), std::vector<std::string>{"GET /meta.txt"});
  EXPECT_TRUE(run.Lines("msgbox").empty()) << run.Dump();
  EXPECT_TRUE(run.Lines("status").empty()) << run.Dump();
  const std::string rc = session.ReadFile("Kestrane.rc");
  const std::size_t at = rc.find("Kestrane.update.lastCheck: ");
  ASSERT_NE(at, std::string::npos) << rc;
  const std::string stored = rc.substr(at + 27, 16);
  EXPECT_TRUE(stored >= before && stored <= utc()) << stored;
  Bitmap shot;
  ASSERT_TRUE(shot.Load(session.folder() + "/shot.bmp")) << run.Dump();
  std::string disc;
  for (int y = 0; y < 7; ++y) {
    for (int x = 18; x < 25; ++x) disc += shot.Pixel(x, y) == 0xFFFFFFu ? '#' : '.';
  }
  EXPECT_EQ(disc, ".........###...#####..#####..#####...###.........") << run.Dump();
  EXPECT_NE(run.Find("menu     item \"Alpha\" \"@KestraneInternal UpdatePlugin 0\""), -1)
      << run.Dump();
}

// Sites that answer with an error page, break off, send more than a metadata file may hold,
// redirect, or cannot be reached: only whole bodies reach metadata.txt, and the box names the
// sites that sent none. A check that reaches no site leaves the last file and its marks.
TEST(Updates, TheCheckKeepsOnlyWholeMetadataBodies) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  const std::string dead = "http://127.0.0.1:1/meta.txt";  // nothing listens there
  const std::string urls[] = {site.Url("missing.txt"), site.Url("short.txt"), site.Url("huge.txt"),
                              site.Url("moved.txt"), dead};
  std::string list;
  auto info = [](const std::string &n, const std::string &url) {
    return "1=P" + n + "\n2=1.0\n4=d1\n8=" + url + "\n";
  };
  for (int i = 0; i < 5; ++i) {
    std::string n = std::to_string(i);
    session.InstallPlugin("plugin_full", "plugins/p" + n + "/p" + n + ".dll", info(n, urls[i]));
    list += "plugins\\p" + n + "\\p" + n + ".dll\r\n";
  }
  session.WriteFile("KSTR_Plugins.rc", list);
  site.Status("missing.txt", 404);
  site.BreakOff("short.txt", "P1.version: 2.0\nP1.date: d2\n", 10);
  site.Oversize("huge.txt", 3 << 19, false);
  site.Redirect("moved.txt", "real/meta.txt");
  site.Serve("real/meta.txt", "P3.version: 2.0\nP3.date: d2\n");
  session.WriteFile("metadata.txt", "P0.version: 9\nP0.date: d9\n");  // the last check's
  const std::string script =
      "broam @KestraneInternal CheckForUpdates\nwaitfor 20000 There are\nrclick Kestrane\nend\n";
  const std::string one =
      "There are 1 updates available.\n\nUse the \"Update Plugin\" menu\nto choose the updates "
      "you wish\nto install.\n\n";
  RunResult run = session.Run("beginPlugin", script);
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(session.ReadFile("metadata.txt"), "P3.version: 2.0\nP3.date: d2\n");
  EXPECT_EQ(run.Lines("msgbox"),
            std::vector<std::string>{Box(kInfo, one +
                                                    "4 of the 5 update sites could not be "
                                                    "reached:\n" +
                                                    urls[0] + "\n" + urls[1] + "\n" + urls[2] +
                                                    "\n" + dead) +
                                     " -> ok"})
      << run.Dump();
  EXPECT_EQ(site.Requests().size(), 5u);
  EXPECT_FALSE(session.Exists("metadata.txt.kestrane-new"));

  // Now every plug-in names the dead site.
  for (int i = 0; i < 5; ++i) {
    std::string n = std::to_string(i);
    session.WriteFile("plugins/p" + n + "/p" + n + ".info", info(n, dead));
  }
  run = session.Run("beginPlugin", script);
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_EQ(session.ReadFile("metadata.txt"), "P3.version: 2.0\nP3.date: d2\n");
  EXPECT_EQ(
      run.Lines("msgbox"),
      std::vector<std::string>{
          Box(kInfo, one + "1 of the 1 update sites could not be reached:\n" + dead) + " -> ok"})
      << run.Dump();
  EXPECT_NE(run.Find("menu     item \"P3\" \"@KestraneInternal UpdatePlugin 3\""), -1)
      << run.Dump();
}

// Three plug-ins, three ways an update ends before anything is fetched.
TEST(Updates, DeclinedUnpublishedAndCurrentUpdatesChangeNothing) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "1=Alpha\n2=1.0\n4=d1\n");
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "1=Beta\n2=1.0\n4=d1\n");
  session.InstallPlugin("plugin_full", "plugins/c/c.dll", "1=Gamma\n2=1.0\n4=d1\n");
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\a\\a.dll\r\nplugins\\b\\b.dll\r\nplugins\\c\\c.dll\r\n");
  session.WriteFile("metadata.txt",
                    "Alpha.version: 2.0\nAlpha.date: d2\nAlpha.files: " + site.Url("a.dll") +
                        "\nGamma.version: 1.0\n"
                        "Gamma.date: d1\nGamma.files: " +
                        site.Url("c.dll") + "\n");
  auto before = session.Files("plugins");
  RunResult run = session.Run("beginPlugin",
                              "answer no\n"
                              "broam @KestraneInternal UpdatePlugin 0\n"
                              "waitfor 10000 -> no\n"
                              "wait 500\n"
                              "broam @KestraneInternal UpdatePlugin 1\n"
                              "waitfor 10000 No update information\n"
                              "wait 500\n"
                              "broam @KestraneInternal UpdatePlugin 2\n"
                              "waitfor 10000 online version\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 3u) << run.Dump();
  EXPECT_NE(boxes[0].find("style=0x00040044 text=\"Name: \\t\\tAlpha"), std::string::npos);
  EXPECT_EQ(boxes[1], Box(kError, "No update information was available") + " -> ok");
  EXPECT_EQ(boxes[2], Box(kError, "You already have the online version of this plugin") + " -> ok");
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_EQ(run.PluginStartsAndEnds().size(), 6u);  // three starts, three ends at shut-down
  EXPECT_EQ(session.Files("plugins"), before);
}

// Every hostile answer, one plug-in each in one session: afterwards every plug-in still runs
// on its old files, nothing new lies in its folder, and the user was told why.
TEST(Updates, HostileSitesLeaveEveryPluginAsItWas) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  const std::string good(3000, 'g');
  site.Serve("good.txt", good);
  site.Status("missing.dll", 404);
  site.Status("broken.dll", 500);
  site.BreakOff("short.dll", std::string(5000, 's'), 2000);
  site.Oversize("huge.dll", std::uint64_t{300} << 20, true);
  site.Stall("stall.dll", std::string(4000, 'x'), 1000);
  site.Serve("evil.dll", "evil");
  struct Case {
    std::string files, sha256, message;
  } cases[] = {
      {site.Url("good.txt") + " " + site.Url("missing.dll"), "",
       DownloadFailed(site.Url("missing.dll"), "HTTP status 404")},
      {site.Url("broken.dll"), "", DownloadFailed(site.Url("broken.dll"), "HTTP status 500")},
      {site.Url("good.txt") + " " + site.Url("short.dll"), "",
       DownloadFailed(site.Url("short.dll"), "broken off after 2000 bytes")},
      {site.Url("huge.dll"), "", DownloadFailed(site.Url("huge.dll"), "more than 268435456 bytes")},
      {site.Url("good.txt") + " " + site.Url("x/..\\..\\evil.dll"), "",
       "Could not complete download"},
      {site.Url("good.txt") + " " + site.Url("evil.dll"), Sha256(good) + " " + Sha256("not evil"),
       "The downloaded file evil.dll does not match its published checksum."},
      // After the 10 s time-out.
      {site.Url("stall.dll"), "",
       DownloadFailed(site.Url("stall.dll"), "broken off after 1000 bytes")},
      // Nothing listens there.
      {"http://127.0.0.1:1/gone.dll", "",
       DownloadFailed("http://127.0.0.1:1/gone.dll", "no connection (error 12029)")},
  };
  std::string list, metadata, script;
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    std::string n = std::to_string(i);
    session.InstallPlugin("plugin_full", "plugins/p" + n + "/p" + n + ".dll",
                          "1=P" + n + "\n2=1.0\n4=d1\n");
    list += "plugins\\p" + n + "\\p" + n + ".dll\r\n";
    metadata +=
        "P" + n + ".version: 2.0\nP" + n + ".date: d2\nP" + n + ".files: " + cases[i].files + "\n";
    if (!cases[i].sha256.empty()) metadata += "P" + n + ".sha256: " + cases[i].sha256 + "\n";
    // The worker gives the busy index back just after its last box closes.
    script += "answer yes\nbroam @KestraneInternal UpdatePlugin " + n +
              "\nwaitfor 20000 style=0x00040010\nwait 100\n";
  }
  session.WriteFile("KSTR_Plugins.rc", list);
  session.WriteFile("metadata.txt", metadata);
  auto before = session.Files("plugins");
  RunResult run = session.Run("beginPlugin", script + "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 2 * std::size(cases)) << run.Dump();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(boxes[2 * i + 1], Box(kError, cases[i].message) + " -> ok") << i;
  }
  EXPECT_EQ(session.Files("plugins"), before);
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
  // Each plug-in ran from its start to the shell's end: never stopped for its update.
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    std::string dll = "plugin p" + std::to_string(i) + ".dll ";
    EXPECT_EQ(run.Lines(dll + "endPlugin").size(), 1u) << i;
    EXPECT_GT(run.Find(dll + "endPlugin"), run.Find("end")) << i;
  }
  auto requests = site.Requests();
  EXPECT_EQ(std::count(requests.begin(), requests.end(), "GET /x/evil.dll") +
                std::count(requests.begin(), requests.end(), "GET /evil.dll"),
            1);  // the traversal was refused before anything was fetched; the sum after
}

// endPlugin while a download hangs, and while the consent box is still open, five times each:
// the shell lives on, the library leaves once its worker has ended, nothing is left behind.
TEST(Updates, ShutDownDuringADownloadOrAnOpenQuestion) {
  for (int round = 0; round < 10; ++round) {
    AlphaSession s;
    s.site.Trickle("a.dll", std::string(64 * 1024, 'n'), 1024, 50);
    bool question = round % 2 == 1;
    auto before = s.session.Files("plugins");
    RunResult run =
        s.session.Run("beginPlugin", question ? "hold\nanswer yes\n"
                                                "broam @KestraneInternal UpdatePlugin 0\n"
                                                "waitfor 10000 msgbox held\n"
                                                "end\n"
                                              : "answer yes\n"
                                                "broam @KestraneInternal UpdatePlugin 0\n"
                                                "waitfor 10000 Downloading a.dll\n"
                                                "wait 200\n"
                                                "end\n");
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_NE(run.Find("alive"), -1);
    EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
    EXPECT_EQ(run.Find("library never left"), -1) << run.Dump();
    if (question) {
      EXPECT_GT(run.Find("library left"), run.Find("unloaded")) << run.Dump();
      EXPECT_GT(run.Find("msgbox owner"), run.Find("unloaded")) << run.Dump();
      EXPECT_TRUE(s.site.Requests().empty());  // Yes after shut-down does nothing
    } else {
      EXPECT_EQ(s.site.Requests(), std::vector<std::string>{"GET /a.dll"});
    }
    EXPECT_EQ(run.Lines("msgbox owner").size(), 1u) << run.Dump();
    EXPECT_EQ(run.PluginStartsAndEnds().size(), 2u) << run.Dump();
    EXPECT_EQ(s.session.Files("plugins"), before) << round;
    EXPECT_EQ(s.session.ReadFile("KSTR_Plugins.rc"), "plugins\\a\\a.dll\r\n");
  }
}

// The shell ends Kestrane and begins it again without unloading it, while the consent box of
// an update of the first session is still open (its worker holds the library): the second
// session starts as a fresh load would. Its check turns the gear, an update of another plug-in
// starts, and the table holds what the list file says, not the first session's slots.
TEST(Updates, ABeginAfterAnEndStartsAfresh) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  session.InstallPlugin("plugin_full", "plugins/a/a.dll", "1=Alpha\n2=1.0\n4=d1\n");
  session.InstallPlugin("plugin_full", "plugins/b/b.dll", "1=Beta\n2=1.0\n4=d1\n");
  session.InstallPlugin("plugin_full", "plugins/c/c.dll", "1=Gamma\n2=1.0\n4=d1\n");
  session.WriteFile("KSTR_Plugins.rc",
                    "plugins\\a\\a.dll\r\nplugins\\b\\b.dll\r\nplugins\\c\\c.dll\r\n");
  session.WriteFile("Kestrane.rc",
                    "Kestrane.plugin.defaultupdateURL: " + site.Url("meta.txt") + "\r\n");
  const std::string published =
      "Beta.version: 2.0\nBeta.date: d2\nGamma.version: 2.0\nGamma.date: d2\n";
  session.WriteFile("metadata.txt", published);
  site.Delay("meta.txt", published, 2500);  // the gear turns while the check waits
  RunResult run = session.Run("beginPlugin",
                              "hold\n"
                              "broam @KestraneInternal UpdatePlugin 2\n"
                              "waitfor 10000 msgbox held\n"
                              "broam @KestraneInternal RemovePlugin 0\n"
                              "restart\n"
                              "broam @KestraneInternal CheckForUpdates\n"
                              "wait 300\n"
                              "screenshot Kestrane one.bmp\n"
                              "wait 100\n"
                              "screenshot Kestrane two.bmp\n"
                              "wait 100\n"
                              "screenshot Kestrane three.bmp\n"
                              "waitfor 20000 updates available\n"
                              "answer no\n"
                              "broam @KestraneInternal UpdatePlugin 0\n"
                              "waitfor 10000 download this update\n"
                              "rclick Kestrane\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
  EXPECT_EQ(run.Lines("start beginPlugin -> 0").size(), 2u) << run.Dump();

  Bitmap shots[3];
  ASSERT_TRUE(shots[0].Load(session.folder() + "/one.bmp")) << run.Dump();
  ASSERT_TRUE(shots[1].Load(session.folder() + "/two.bmp")) << run.Dump();
  ASSERT_TRUE(shots[2].Load(session.folder() + "/three.bmp")) << run.Dump();
  EXPECT_FALSE(shots[0].rgb == shots[1].rgb && shots[1].rgb == shots[2].rgb) << "a still gear";

  // The check's count, then Beta's consent: no "You must wait" for the first session's worker.
  std::vector<std::string> boxes;
  for (int i = run.Find("restart"), end = run.Find("end", i); i >= 0 && i < end; ++i) {
    if (run.transcript[i].rfind("msgbox owner", 0) == 0) boxes.push_back(run.transcript[i]);
  }
  ASSERT_EQ(boxes.size(), 2u) << run.Dump();
  EXPECT_NE(boxes[0].find("There are 2 updates available."), std::string::npos) << boxes[0];
  EXPECT_EQ(boxes[1], Box(kQuestion,
                          "Name: \t\tBeta\nCurrent Version: \t1.0\nDate: \t\td1\n\nOnline "
                          "Version: \t2.0\nDate: \t\td2\nAuthor: \t\t[No Info]\n\n"
                          "Description...\n[No Info]\n\nChanges...\n[No Info]\n\nDo you want "
                          "to download this update?") +
                          " -> no");
  EXPECT_EQ(site.Requests(), std::vector<std::string>{"GET /meta.txt"});

  // The table is the list file's: Beta and Gamma in slots 0 and 1, nothing of the first
  // session's slot 2.
  int toggle = run.Find("menu   sub \"Toggle Plugins\"");
  ASSERT_NE(toggle, -1) << run.Dump();
  EXPECT_EQ(std::vector<std::string>(run.transcript.begin() + toggle + 1,
                                     run.transcript.begin() + toggle + 4),
            (std::vector<std::string>{
                "menu     item \"Beta\" \"@KestraneInternal TogglePlugin 0\" checked=1",
                "menu     item \"Gamma\" \"@KestraneInternal TogglePlugin 1\" checked=1",
                "menu   item \"Add Plugin\" \"@KestraneInternal AddPlugin\" checked=0"}))
      << run.Dump();
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), "plugins\\b\\b.dll\r\nplugins\\c\\c.dll\r\n");
  EXPECT_EQ(run.PluginStartsAndEnds(),
            (std::vector<std::string>{
                "plugin a.dll beginPlugin module=a.dll", "plugin b.dll beginPlugin module=b.dll",
                "plugin c.dll beginPlugin module=c.dll", "plugin a.dll endPlugin module=a.dll",
                "plugin b.dll endPlugin module=b.dll", "plugin c.dll endPlugin module=c.dll",
                "plugin b.dll beginPlugin module=b.dll", "plugin c.dll beginPlugin module=c.dll",
                "plugin b.dll endPlugin module=b.dll", "plugin c.dll endPlugin module=c.dll"}))
      << run.Dump();
  EXPECT_EQ(run.Find("library never left"), -1) << run.Dump();
  EXPECT_NE(run.Find("alive"), -1);
}

// The paths a list box of extracted files names, in the order it names them.
std::vector<std::string> ListedPaths(const std::string &boxLine) {
  const std::string heading = "text=\"The following files where extracted...\\n\\n";
  std::vector<std::string> paths;
  std::size_t at = boxLine.find(heading);
  if (at == std::string::npos) return paths;
  std::string text;  // unquoted
  for (at += heading.size(); at < boxLine.size() && boxLine[at] != '"'; ++at) {
    if (boxLine[at] == '\\' && at + 1 < boxLine.size()) {
      ++at;
      text += boxLine[at] == 'n' ? '\n' : boxLine[at];
    } else {
      text += boxLine[at];
    }
  }
  for (std::size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos;
       from = end + 1) {
    paths.push_back(text.substr(from, end - from));
  }
  return paths;
}

// Updates that each bring an archive: a good one extracted through the real folder browser, one
// whose names climb out of the folder, a corrupted one, and a file that is no zip; then one
// folder as Info-ZIP's zip, 7-Zip, bsdtar (also with the prefix's OEM code page) and Python's
// zipfile pack it (make_archives.sh), one of them under a name beyond ASCII and one into a
// folder so named: each extracted tree is that folder, name for name and byte for byte, and the
// list shows its names in the system's code page. 7-Zip's Deflate64 is refused. Every update
// counts as done; only the good archives write anything.
TEST(Updates, ArchivesAreOfferedForExtractionThroughTheFolderBrowser) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  const std::string scratch = session.folder() + "/archives/";
  std::filesystem::create_directories(scratch);
  auto archive = [&](const std::string &name, const std::vector<testing::ZipItem> &items,
                     const std::string &comment = "") {
    EXPECT_TRUE(testing::MakeZip(scratch + name, items, comment));
    return scratch + name;
  };
  const std::string guide(5000, 'g');
  auto bytes = [&](const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  // As the browser gives it: the folder's own letter case.
  auto windowsPath = [&](const std::string &folder) {
    std::string path = "Z:" + session.folder() + "/" + folder + "/";
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  };
  const std::string out = windowsPath("out0");
  // Its path takes all 259 characters a path may have: no room for ".part" after it.
  const std::string longest = "docs/" + std::string(259 - out.size() - 5, 'l');
  site.Serve("good.zip", bytes(archive("good.zip",
                                       {{"readme.txt", "read me"},
                                        {"docs/", ""},
                                        {"docs/deep/guide.txt", guide},
                                        {longest, "long"}},
                                       "Version 2.0 of the clock")));
  site.Serve("climb.zip", bytes(archive("climb.zip", {{"ok.txt", "ok"}, {"../../evil.txt", "x"}})));
  std::string spoilt = archive("spoilt.zip", {{"data.bin", std::string(4000, 'd'), true}});
  ASSERT_TRUE(testing::CorruptEntryData(spoilt, 0));
  site.Serve("spoilt.zip", bytes(spoilt));
  site.Serve("plain.zip", "this is no archive");

  // The folder the tools pack: names beyond ASCII (one the OEM code page can hold, for the
  // archives that store it so), a blank, a folder, an empty one, 150 KB of binary data.
  const std::string oemName = "M\xC3\xBCller.txt";
  std::string binary(150 * 1024, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) >> 3);
  session.WriteFile("archives/tree/caf\xC3\xA9.txt", "flagged");
  session.WriteFile("archives/tree/" + oemName, "in the OEM code page");
  session.WriteFile("archives/tree/read me.txt", "with a blank");
  session.WriteFile("archives/tree/docs/guide.txt", guide);
  session.WriteFile("archives/tree/data.bin", binary);
  std::filesystem::create_directories(scratch + "tree/empty");
  const std::string made =
      Output(std::string(KESTRANE_SOURCE_DIR) + "/tests/e2e/make_archives.sh '" + scratch +
             "tree' '" + scratch + "' " + session.OemCodePage() + " '" + oemName + "' 2>&1");
  const char *tools[] = {"zip.zip", "7z.zip",     "bsdtar.zip",
                         "oem.zip", "python.zip", "deflate64.zip"};
  for (const char *tool : tools)
    ASSERT_TRUE(session.Exists("archives/" + std::string(tool))) << made;
  auto relativeTo = [](const std::string &folder, const std::map<std::string, std::string> &files) {
    std::map<std::string, std::string> relative;
    for (const auto &[name, content] : files) relative[name.substr(folder.size() + 1)] = content;
    return relative;
  };
  auto tree = relativeTo("archives/tree", session.Files("archives/tree", true));
  // The URL's name beyond ASCII comes percent-encoded; the site matches the decoded path.
  const std::string pythonArchive = "pyth\xC3\xB6n.zip";
  const std::string urls[] = {"good.zip",        "climb.zip",    "spoilt.zip", "plain.zip",
                              "zip.zip",         "7z.zip",       "bsdtar.zip", "oem.zip",
                              "pyth%C3%B6n.zip", "deflate64.zip"};
  for (int i = 0; i < 6; ++i) {
    site.Serve(i == 4 ? pythonArchive : tools[i], bytes(scratch + tools[i]));
  }
  std::filesystem::remove_all(scratch);

  // The bsdtar archive goes into a folder whose name the system's code page spells "out6\xE9".
  auto folderOf = [](int n) { return "out" + std::to_string(n) + (n == 6 ? "\xC3\xA9" : ""); };
  std::string list, metadata, script;
  for (int i = 0; i < 10; ++i) {
    std::string n = std::to_string(i);
    session.InstallPlugin("plugin_full", "plugins/p" + n + "/p" + n + ".dll",
                          "1=P" + n + "\n2=1.0\n4=d1\n");
    session.WriteFile(folderOf(i) + "/keep.txt", "mine");
    list += "plugins\\p" + n + "\\p" + n + ".dll\r\n";
    metadata += "P" + n + ".version: 2.0\nP" + n + ".date: d2\nP" + n +
                ".archive: " + site.Url(urls[i]) + "\n";
    script += "answer yes\nanswer yes\ndialog folder " + session.WindowsFolder() + "out" + n +
              (i == 6 ? "\xE9" : "") + "\nbroam @KestraneInternal UpdatePlugin " + n +
              "\nwaitfor 20000 Update Procedure Complete\nwait 100\n";
  }
  session.WriteFile("KSTR_Plugins.rc", list);
  session.WriteFile("metadata.txt", metadata);
  RunResult run = session.Run("beginPlugin", script + "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();

  const std::string messages[] = {
      "The following files where extracted...\n\n" + out + "readme.txt\n" + out + "docs/\n" + out +
          "docs/deep/guide.txt\n" + out + longest + "\n",
      "The zip archive extraction produced the following message...\n\n"
      "Version 2.0 of the clock",
      "The zip archive extraction produced the following message...\n\nError Extracting File",
      "The zip archive extraction produced the following message...\n\nError Extracting File",
      "The zip archive extraction produced the following message...\n\nCould Not Open Zip"};
  std::vector<std::string> shown;
  for (const std::string &line : run.Lines("msgbox")) {
    if (line.find("Name: ") == std::string::npos &&
        line.find("Update Procedure Complete") == std::string::npos &&
        line.find("The update included") == std::string::npos) {
      shown.push_back(line);
    }
  }
  ASSERT_EQ(shown.size(), 11u) << run.Dump();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(shown[i], Box(kInfo, messages[i]) + " -> ok") << i;
  // Each tool's list: every name of the folder, in the system's code page (Wine's 1252 here).
  for (int i = 4; i < 9; ++i) {
    const std::string to = windowsPath(i == 6 ? "out6\xE9" : "out" + std::to_string(i));
    std::set<std::string> expected;
    for (const char *name : {"caf\xE9.txt", "M\xFCller.txt", "read me.txt", "docs/",
                             "docs/guide.txt", "empty/", "data.bin"}) {
      expected.insert(to + name);
    }
    std::vector<std::string> listed = ListedPaths(shown[i + 1]);
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), expected) << urls[i];
    EXPECT_EQ(listed.size(), expected.size()) << shown[i + 1];
    auto extracted = relativeTo(folderOf(i), session.Files(folderOf(i), true));
    EXPECT_EQ(extracted.erase("keep.txt"), 1u) << urls[i];
    EXPECT_EQ(extracted, tree) << urls[i];
  }
  EXPECT_EQ(shown[10], Box(kInfo,
                           "The zip archive extraction produced the following message...\n\n"
                           "Error Extracting File") +
                           " -> ok");
  EXPECT_NE(run.Find(Box(kQuestion,
                         "The update included a zip archive called good.zip.\nWould "
                         "you like to extract it now? If yes, then\nyou will be "
                         "prompted for a folder to extract it to.")),
            -1)
      << run.Dump();
  EXPECT_NE(run.Find(Box(kQuestion,
                         "The update included a zip archive called pyth\xF6n.zip.\nWould "
                         "you like to extract it now? If yes, then\nyou will be "
                         "prompted for a folder to extract it to.")),
            -1)
      << run.Dump();
  EXPECT_EQ(run.Lines("dialog folder").size(), 10u) << run.Dump();
  EXPECT_EQ(run.Lines("msgbox owner=wnd:0 caption=\"Kestrane 0.7b\" style=0x00040040 "
                      "text=\"Update Procedure Complete")
                .size(),
            10u);

  EXPECT_EQ(session.Files("out0"),
            (std::map<std::string, std::string>{{"out0/keep.txt", "mine"},
                                                {"out0/readme.txt", "read me"},
                                                {"out0/docs/deep/guide.txt", guide},
                                                {"out0/" + longest, "long"}}));
  for (int i : {1, 2, 3, 9}) {
    EXPECT_EQ(session.Files(folderOf(i)),
              (std::map<std::string, std::string>{{folderOf(i) + "/keep.txt", "mine"}}));
  }
  EXPECT_FALSE(session.Exists("evil.txt"));
  EXPECT_EQ(session.ReadFile("plugins/p3/plain.zip"), "this is no archive");
  EXPECT_TRUE(session.Exists("plugins/p8/" + pythonArchive));
}

// Five plug-ins that carry their author's key and one that does not, one session. The site
// offers each keyed one a release its author signed, or pieces of one: only a release signed
// for this plug-in, with these files' names and bytes, dated no earlier than the running one,
// whose library carries a key, replaces it. P1 is offered P0's release as its own, P2 its own
// release with the .info served as its library (digest to match), P3 an older release, P4 a
// library without a key. Each refusal leaves the folder byte for byte as it was; the first
// three download nothing.
TEST(Updates, OnlyAReleaseSignedForThePluginWithItsOwnKeyReplacesIt) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  const std::string key = session.BuildPath("plugins/update_key.pem");
  const std::string notSigned = " is not signed with its update key.\nNothing was changed.";
  const std::string outcomes[] = {
      Box(kInfo, kComplete),
      Box(kError, "The update of P1" + notSigned),
      Box(kError, "The update of P2" + notSigned),
      Box(kError,
          "The update of P3, dated 2004-01-01, is older than the version you have.\nNothing was "
          "changed."),
      Box(kError, "The new version of P4 carries no update key.\nNothing was changed."),
      Box(kInfo, kComplete)};
  std::string list, metadata, script;
  std::string p0Lines;
  for (int i = 0; i < 6; ++i) {
    std::string n = std::to_string(i), p = "p" + n, name = "P" + n;
    const bool keyed = i < 5;
    const std::string ownDate = i == 3 ? "2004-06-01" : "2004-01-01";
    const std::string date = i == 3 ? "2004-01-01" : "2004-06-01";
    session.InstallPlugin(keyed ? "plugin_signed" : "plugin_full",
                          "plugins/" + p + "/" + p + ".dll",
                          "1=" + name + "\n2=1.0\n4=" + ownDate + "\n");
    list += "plugins\\" + p + "\\" + p + ".dll\r\n";
    // The new release, as its author publishes it.
    const std::string library = i == 4 || !keyed ? "plugin_full" : "plugin_signed";
    session.WriteFile("site/" + p + ".dll", session.BuildFile("plugins/" + library + ".dll"));
    session.WriteFile("site/" + p + ".info", "1=" + name + "\n2=2.0\n4=" + date + "\n");
    site.Serve(p + ".dll", session.ReadFile("site/" + p + ".dll"));
    site.Serve(p + ".info", session.ReadFile("site/" + p + ".info"));
    std::string lines = SignedLines(session, key, name + " 2.0 " + date,
                                    {"site/" + p + ".dll", "site/" + p + ".info"});
    ASSERT_EQ(Value(lines, name + ".signature").size(), 88u) << lines;
    if (i == 0) p0Lines = lines;
    if (i == 1) lines = p0Lines;  // P0's release, bytes and signature, published for P1
    std::string sums = Value(lines, (i == 1 ? "P0" : name) + ".sha256");
    if (i == 2) {
      site.Serve(p + ".dll", session.ReadFile("site/" + p + ".info"));
      sums = Sha256(session.ReadFile("site/" + p + ".info")) + sums.substr(64);
    }
    metadata += name + ".version: 2.0\n" + name + ".date: " + date + "\n" + name +
                ".files: " + site.Url(p + ".dll") + " " + site.Url(p + ".info") + "\n";
    if (keyed) {
      metadata += name + ".sha256: " + sums + "\n" + name +
                  ".signature: " + Value(lines, (i == 1 ? "P0" : name) + ".signature") + "\n";
    }
    script += "answer yes\nbroam @KestraneInternal UpdatePlugin " + n +
              "\nwaitfor 20000 -> ok\nwait 100\n";
  }
  session.WriteFile("KSTR_Plugins.rc", list);
  session.WriteFile("metadata.txt", metadata);
  auto before = session.Files("plugins");
  RunResult run = session.Run("beginPlugin", script + "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 12u) << run.Dump();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(boxes[2 * i + 1], outcomes[i] + " -> ok") << i;
  auto after = session.Files("plugins");
  for (int i = 0; i < 6; ++i) {
    std::string p = "p" + std::to_string(i), dll = "plugins/" + p + "/" + p + ".dll",
                info = "plugins/" + p + "/" + p + ".info";
    bool taken = i == 0 || i == 5;
    EXPECT_EQ(after[dll], before[dll]) << i;  // the same library bytes, either way
    EXPECT_EQ(after[info], taken ? session.ReadFile("site/" + p + ".info") : before[info]) << i;
    // Refused: never stopped before the shell ended.
    EXPECT_EQ(run.Lines("plugin " + p + ".dll endPlugin").size(), taken ? 2u : 1u) << i;
  }
  EXPECT_EQ(after.size(), before.size());  // nothing left beside them
  EXPECT_EQ(site.Requests(),
            (std::vector<std::string>{"GET /p0.dll", "GET /p0.info", "GET /p4.dll", "GET /p4.info",
                                      "GET /p5.dll", "GET /p5.info"}));
}

// A publisher's signed catalogue over the loopback site: the check keeps it, "Install Plugin"
// offers what is not installed yet, and installs by files (signed with the author's key) and by
// archive, each added and started. A plug-in that faults while starting, a file that does not
// match its digest and a release not signed with its entry's key leave the shell's folder as it
// was, and so does shut-down during a download; a catalogue that does not verify keeps the last.
// One that ends the shell while starting is taken away at the next start.
TEST(Updates, PluginsInstallFromTheSignedCatalogue) {
  ShellSession session;
  UpdateSite site;
  session.InstallKestrane();
  const std::string publisher = session.folder() + "/publisher.pem";
  ASSERT_EQ(std::system(("openssl genpkey -algorithm ed25519 -out '" + publisher + "'").c_str()),
            0);
  auto line = [](std::string text) { return text.substr(0, text.find_first_of("\r\n")); };
  const std::string publicKey = line(
      Output("openssl pkey -in '" + publisher + "' -pubout -outform DER | tail -c 32 | base64"));
  const std::string author = session.BuildPath("plugins/update_key.pem");
  std::string catalogue = "catalogue.plugins: clock packed faulty tampered forged slow ender\n";
  auto entry = [&](const std::string &id, const std::string &name, const std::string &files,
                   const std::string &extra) {
    catalogue += id + ".name: " + name + "\n" + id + ".version: 1.0\n" + id +
                 ".date: 2004-06-01\n" + id + ".author: Ann\n" + id + ".information: One of " + id +
                 ".\n" + id + ".folder: " + id + "\n" + id + ".library: " + id + ".dll\n" + id +
                 files + "\n" + extra;
  };
  // Each release as its author publishes it.
  const std::string library = session.BuildFile("plugins/plugin_full.dll");
  for (const char *id : {"clock", "faulty", "tampered", "forged", "slow", "ender"}) {
    std::string dll = std::string(id) == "clock" || std::string(id) == "forged"
                          ? session.BuildFile("plugins/plugin_signed.dll")
                          : library;
    session.WriteFile(std::string("site/") + id + ".dll", dll);
    const std::string info = std::string(id) == "faulty"  ? "begin=fault\n"
                             : std::string(id) == "ender" ? "begin=exit\n"
                                                          : "1=" + std::string(id) + "\n";
    session.WriteFile(std::string("site/") + id + ".info", info);
  }
  auto signedBy = [&](const std::string &key, const std::string &id, const std::string &name) {
    return SignedLines(session, key, name + " 1.0 2004-06-01",
                       {"site/" + id + ".dll", "site/" + id + ".info"});
  };
  const std::string authorKey = line(session.BuildFile("plugins/update_key.txt"));
  const std::string clock = signedBy(author, "clock", "Clock");
  const std::string forged = signedBy(publisher, "forged", "Forged");  // not the author's key
  auto filesOf = [&](const std::string &id) {
    return ".files: " + site.Url(id + ".dll") + " " + site.Url(id + ".info");
  };
  entry("clock", "Clock", filesOf("clock"),
        "clock.sha256: " + Value(clock, "Clock.sha256") + "\nclock.key: " + authorKey +
            "\nclock.signature: " + Value(clock, "Clock.signature") + "\n");
  entry("forged", "Forged", filesOf("forged"),
        "forged.sha256: " + Value(forged, "Forged.sha256") + "\nforged.key: " + authorKey +
            "\nforged.signature: " + Value(forged, "Forged.signature") + "\n");
  for (const char *id : {"faulty", "tampered", "slow", "ender"}) {
    std::string dll = session.ReadFile(std::string("site/") + id + ".dll");
    entry(id, id, filesOf(id),
          std::string(id) + ".sha256: " + Sha256(std::string(id) == "tampered" ? "other" : dll) +
              " " + Sha256(session.ReadFile(std::string("site/") + id + ".info")) + "\n");
  }
  const std::string zip = session.folder() + "/site/packed.zip";
  ASSERT_TRUE(testing::MakeZip(zip, {{"packed.dll", library}, {"packed.info", "1=Packed\n"}}));
  const std::string archive = session.ReadFile("site/packed.zip");
  entry("packed", "Packed", ".archive: " + site.Url("packed.zip"),
        "packed.sha256: " + Sha256(archive) + "\n");
  session.WriteFile("site/catalogue.txt", catalogue);
  ASSERT_EQ(std::system((std::string(KESTRANE_SOURCE_DIR) + "/scripts/sign-catalogue '" +
                         publisher + "' '" + session.folder() + "/site/catalogue.txt'")
                            .c_str()),
            0);
  for (const char *file : {"catalogue.txt", "catalogue.txt.sig", "clock.dll", "clock.info",
                           "faulty.dll", "faulty.info", "tampered.dll", "tampered.info",
                           "forged.dll", "forged.info", "packed.zip", "ender.dll", "ender.info"}) {
    site.Serve(file, session.ReadFile(std::string("site/") + file));
  }
  site.Trickle("slow.dll", session.ReadFile("site/slow.dll"), 1024, 50);
  session.WriteFile("Kestrane.rc", "Kestrane.update.catalogueURL: " + site.Url("catalogue.txt") +
                                       "\nKestrane.update.catalogueKey: " + publicKey + "\n");
  std::string script =
      "broam @KestraneInternal CheckForUpdates\nwaitfor 20000 There are\n"
      "rclick Kestrane\n";
  const std::pair<const char *, const char *> installs[] = {{"clock", "was installed"},
                                                            {"packed", "was installed"},
                                                            {"faulty", "could not start"},
                                                            {"tampered", "does not match"},
                                                            {"forged", "not signed"}};
  for (const auto &[id, outcome] : installs) {
    script += std::string("answer yes\nbroam @KestraneInternal InstallPlugin ") + id +
              "\nwaitfor 20000 " + outcome + "\nwait 300\n";
  }
  RunResult run = session.Run("beginPlugin", script + "rclick Kestrane\nend\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
  auto offered = [&](int from) {
    std::vector<std::string> items;
    int sub = run.Find("menu   sub \"Install Plugin\"", from);
    for (int i = sub + 1; sub != -1 && run.transcript[i].rfind("menu     ", 0) == 0; ++i) {
      items.push_back(run.transcript[i].substr(9));
    }
    return items;
  };
  auto item = [](const std::string &title, const std::string &id) {
    return "item \"" + title + " 1.0\" \"@KestraneInternal InstallPlugin " + id + "\" checked=0";
  };
  EXPECT_EQ(offered(0),
            (std::vector<std::string>{item("Clock", "clock"), item("Packed", "packed"),
                                      item("faulty", "faulty"), item("tampered", "tampered"),
                                      item("Forged", "forged"), item("slow", "slow"),
                                      item("ender", "ender")}))
      << run.Dump();
  EXPECT_EQ(offered(run.Find("plugin clock.dll beginPlugin")),
            (std::vector<std::string>{item("faulty", "faulty"), item("tampered", "tampered"),
                                      item("Forged", "forged"), item("slow", "slow"),
                                      item("ender", "ender")}));
  std::vector<std::string> boxes;
  for (const std::string &b : run.Lines("msgbox")) {
    if (b.find("text=\"Name: ") == std::string::npos) boxes.push_back(b);  // not the questions
  }
  EXPECT_EQ(boxes, (std::vector<std::string>{
                       Box(kInfo, "There are no updates available.") + " -> ok",
                       Box(kInfo, "Clock 1.0 was installed and started.") + " -> ok",
                       Box(kInfo, "Packed 1.0 was installed and started.") + " -> ok",
                       Box(kError, "faulty could not start, so it was not installed.") + " -> ok",
                       Box(kError,
                           "The downloaded file tampered.dll does not match its published "
                           "checksum.") +
                           " -> ok",
                       Box(kError,
                           "The update of Forged is not signed with its update key.\nNothing "
                           "was changed.") +
                           " -> ok"}))
      << run.Dump();
  const std::map<std::string, std::string> installed = {
      {"plugins/clock/clock.dll", session.ReadFile("site/clock.dll")},
      {"plugins/clock/clock.info", "1=clock\n"},
      {"plugins/packed/packed.dll", library},
      {"plugins/packed/packed.info", "1=Packed\n"}};
  EXPECT_EQ(session.Files("plugins"), installed);
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"),
            "\r\nplugins\\clock\\clock.dll\r\nplugins\\packed\\packed.dll\r\n");
  EXPECT_NE(run.Find("plugin packed.dll beginPlugin"), -1) << run.Dump();
  EXPECT_NE(run.Find("plugin faulty.dll endPlugin"), -1) << run.Dump();
  EXPECT_EQ(session.ReadFile("catalogue.txt"), catalogue);

  // A catalogue that does not verify keeps the last; a shut-down during a download leaves
  // nothing of that install.
  site.Serve("catalogue.txt", catalogue + "extra.name: Extra\n");
  RunResult second = session.Run("beginPlugin",
                                 "broam @KestraneInternal CheckForUpdates\nwaitfor 20000 There "
                                 "are\nanswer yes\nbroam @KestraneInternal InstallPlugin slow\n"
                                 "wait 500\nend\n");
  ASSERT_EQ(second.exitCode, 0) << second.Dump();
  ASSERT_FALSE(second.Lines("msgbox").empty()) << second.Dump();
  EXPECT_EQ(second.Lines("msgbox")[0],
            Box(kInfo,
                "There are no updates available.\n\nThe plugin catalogue could not be verified; "
                "the last verified one is kept.") +
                " -> ok");
  EXPECT_EQ(session.ReadFile("catalogue.txt"), catalogue);
  EXPECT_EQ(session.Files("plugins"), installed);

  const std::string list = session.ReadFile("KSTR_Plugins.rc");
  RunResult ended = session.Run("beginPlugin",
                                "answer yes\nbroam @KestraneInternal InstallPlugin ender\n"
                                "waitfor 20000 was installed\nend\n");
  EXPECT_EQ(ended.exitCode, 9) << ended.Dump();
  EXPECT_EQ(ended.transcript.back(), "plugin ender.dll exit") << ended.Dump();
  RunResult next = session.Run("beginPlugin", "end\n");
  ASSERT_EQ(next.exitCode, 0) << next.Dump();
  EXPECT_EQ(next.Lines("msgbox"),
            std::vector<std::string>{
                Box(kError, "ender could not start, so it was not installed.") + " -> ok"});
  EXPECT_TRUE(next.Lines("plugin ender.dll").empty()) << next.Dump();
  EXPECT_EQ(session.Files("plugins"), installed);
  EXPECT_EQ(session.ReadFile("KSTR_Plugins.rc"), list);
  EXPECT_FALSE(session.Exists("KSTR_Plugins.rc.journal"));
}

// The check and a signed update from an https site whose certificate the system trusts.
TEST(Updates, OverHttpsACheckAndASignedUpdateSucceed) {
  ShellSession session;
  UpdateSite site(session.CertificateFile("localhost.pem"), session.CertificateFile("server.key"));
  ASSERT_TRUE(site.Running());
  session.InstallKestrane();
  session.InstallPlugin("plugin_signed", "plugins/a/a.dll",
                        "1=Alpha\n2=1.0\n4=d1\n8=" + site.Url("meta.txt") + "\n");
  session.WriteFile("KSTR_Plugins.rc", "plugins\\a\\a.dll\r\n");
  session.WriteFile("site/a.info", "1=Alpha\n2=2.0\n4=d2\n8=" + site.Url("meta.txt") + "\n");
  site.Serve("a.info", session.ReadFile("site/a.info"));
  std::string lines = SignedLines(session, session.BuildPath("plugins/update_key.pem"),
                                  "Alpha 2.0 d2", {"site/a.info"});
  const std::string meta =
      "Alpha.version: 2.0\nAlpha.date: d2\nAlpha.files: " + site.Url("a.info") + "\n" + lines;
  site.Serve("meta.txt", meta);
  RunResult run = session.Run("beginPlugin",
                              "broam @KestraneInternal CheckForUpdates\n"
                              "waitfor 20000 updates available\n"
                              "answer yes\n"
                              "broam @KestraneInternal UpdatePlugin 0\n"
                              "waitfor 20000 Update Procedure Complete\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Lines("waitfor").empty()) << run.Dump();
  EXPECT_EQ(session.ReadFile("metadata.txt"), meta);
  EXPECT_EQ(session.ReadFile("plugins/a/a.info"), session.ReadFile("site/a.info"));
  EXPECT_EQ(site.Requests(), (std::vector<std::string>{"GET /meta.txt", "GET /a.info"}));
}

// https sites a download must not trust: a self-signed certificate, an expired one, one for
// another host name, and an https address that redirects to http (WinINet under Wine 8 follows
// it; Kestrane refuses the body for the address it came from). Each fails as any failed
// download does; every plug-in keeps running on its old files.
TEST(Updates, HttpsRefusesWhatItShould) {
  ShellSession session;
  session.InstallKestrane();
  auto tls = [&](const char *certificate) {
    return std::make_unique<UpdateSite>(session.CertificateFile(certificate),
                                        session.CertificateFile("server.key"));
  };
  std::unique_ptr<UpdateSite> sites[] = {tls("self.pem"), tls("expired.pem"), tls("other.pem"),
                                         tls("localhost.pem")};
  UpdateSite plain;
  plain.Serve("a.dll", "insecure");
  sites[3]->Redirect("a.dll", plain.Url("a.dll"));
  std::string list, metadata, script;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(sites[i]->Running()) << i;
    if (i < 3) sites[i]->Serve("a.dll", "new");
    std::string n = std::to_string(i);
    session.InstallPlugin("plugin_full", "plugins/p" + n + "/p" + n + ".dll",
                          "1=P" + n + "\n2=1.0\n4=d1\n");
    list += "plugins\\p" + n + "\\p" + n + ".dll\r\n";
    metadata += "P" + n + ".version: 2.0\nP" + n + ".date: d2\nP" + n +
                ".files: " + sites[i]->Url("a.dll") + "\n";
    script += "answer yes\nbroam @KestraneInternal UpdatePlugin " + n +
              "\nwaitfor 20000 -> ok\nwait 100\n";
  }
  session.WriteFile("KSTR_Plugins.rc", list);
  session.WriteFile("metadata.txt", metadata);
  auto before = session.Files("plugins");
  RunResult run = session.Run("beginPlugin", script + "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  auto boxes = run.Lines("msgbox");
  ASSERT_EQ(boxes.size(), 8u) << run.Dump();
  // As WinINet under Wine 8 names them: an unknown authority, an expired certificate, another
  // host name.
  const std::string why[] = {"no connection (error 12045)", "no connection (error 12037)",
                             "no connection (error 12038)", "redirected away from https"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(boxes[2 * i + 1],
              Box(kError, DownloadFailed(sites[i]->Url("a.dll"), why[i])) + " -> ok")
        << i;
    std::string dll = "plugin p" + std::to_string(i) + ".dll ";
    EXPECT_GT(run.Find(dll + "endPlugin"), run.Find("end")) << i;  // running to the end
  }
  EXPECT_EQ(session.Files("plugins"), before);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(sites[i]->Requests().empty()) << i;  // no handshake
  EXPECT_EQ(sites[3]->Requests(), std::vector<std::string>{"GET /a.dll"});
}

}  // namespace
}  // namespace kestrane::e2e
