// The release archive as a user installs it: unpacked into a fresh shell folder, Kestrane
// started from Kestrane\Kestrane.dll, its manual opened from the menu, and an upgrade unpacked
// over it. The archive is the one the package_release_archive test wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell_session.h"

namespace kestrane::e2e {
namespace {

namespace fs = std::filesystem;

std::string ReleaseArchive() {
  for (const auto &entry : fs::directory_iterator(KESTRANE_ARCHIVE_DIR)) {
    if (entry.path().extension() == ".zip") return entry.path().string();
  }
  return "";
}

bool Unpack(const std::string &archive, const std::string &folder) {
  std::string command = "unzip -o -q '" + archive + "' -d '" + folder + "'";
  return std::system(command.c_str()) == 0;
}

// The file a transcript's `exec` line handed the editor, as a path of this machine: the
// shell's Z: drive is the root.
std::string EditedFile(const std::string &exec) {
  const std::string field = "args=\"";
  std::size_t at = exec.find(field);
  if (at == std::string::npos) return "";
  std::string path;
  for (std::size_t i = at + field.size(); i < exec.size() && exec[i] != '"'; ++i) {
    if (exec[i] == '\\' && i + 1 < exec.size()) ++i;  // the transcript's escape
    path += exec[i] == '\\' ? '/' : exec[i];
  }
  if (path.size() < 2 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':') return "";
  return path.substr(2);
}

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(ReleaseArchive, UnpackedIntoAShellFolderItStartsOpensItsReadmeAndUpgradesInPlace) {
  ShellSession session;
  if (!session.RunsI686Product()) {
    GTEST_SKIP() << "the archive holds the i686 DLL, and this machine runs only the x86-64 build "
                    "(no 32-bit Wine): the release archive is not tried here";
  }
  std::string archive = ReleaseArchive();
  ASSERT_FALSE(archive.empty()) << "no archive in " KESTRANE_ARCHIVE_DIR;
  ASSERT_TRUE(Unpack(archive, session.folder()));
  const auto unpacked = session.Files("Kestrane");
  ASSERT_EQ(unpacked.size(), 3u) << "Kestrane.dll, Readme.txt, LICENSE.txt";

  session.UseKestraneAt("Kestrane/Kestrane.dll");
  RunResult run = session.Run("beginPlugin",
                              "rclick Kestrane\n"
                              "pick @KestraneInternal Edit Readme.txt\n"
                              "end\n");
  ASSERT_EQ(run.exitCode, 0) << run.Dump();
  EXPECT_TRUE(run.Has("start beginPlugin -> 0")) << run.Dump();
  auto exec = run.Lines("exec");
  ASSERT_EQ(exec.size(), 1u) << run.Dump();
  EXPECT_NE(exec[0].find("file=\"notepad.exe\""), std::string::npos) << exec[0];
  std::string readme = EditedFile(exec[0]);
  ASSERT_TRUE(fs::exists(readme)) << "the editor was given " << exec[0];
  EXPECT_TRUE(fs::equivalent(readme, session.folder() + "/Kestrane/Readme.txt")) << readme;
  EXPECT_EQ(Slurp(readme), unpacked.at("Kestrane/Readme.txt"));

  // As the manual says: its list and its settings are made beside it, and the archive's own
  // files are as they came.
  auto installed = session.Files("Kestrane");
  EXPECT_TRUE(installed.count("Kestrane/KSTR_Plugins.rc")) << "no plug-in list made";
  EXPECT_TRUE(installed.count("Kestrane/Kestrane.rc")) << "no settings written";
  for (const auto &[name, content] : unpacked) {
    EXPECT_EQ(installed.at(name), content) << name << " changed";
  }

  // Upgrading is unpacking over it: the user's list and settings stay.
  session.WriteFile("Kestrane/KSTR_Plugins.rc", "!plugins\\clock\\clock.dll\r\n");
  const auto before = session.Files("Kestrane");
  ASSERT_TRUE(Unpack(archive, session.folder()));
  EXPECT_EQ(session.Files("Kestrane"), before);
}

}  // namespace
}  // namespace kestrane::e2e
