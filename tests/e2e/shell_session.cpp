#include "shell_session.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrane::e2e {

namespace fs = std::filesystem;

namespace {

constexpr int kShellTimeoutSeconds = 120;

std::map<std::string, std::string> ReadSessionEnv() {
  std::map<std::string, std::string> env;
  std::ifstream in(std::string(KESTRANE_E2E_DIR) + "/session.env");
  std::string line;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return env;
}

std::string Quote(const std::string &s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

// A path of this machine as Windows programs in Wine see it.
std::string WindowsPath(const std::string &path) {
  std::string w = "Z:" + path;
  for (char &c : w) {
    if (c == '/') c = '\\';
  }
  return w;
}

std::string Slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs a Wine program in the shared prefix; true when it exited with 0.
bool RunWine(const std::string &arguments) {
  std::map<std::string, std::string> env = ReadSessionEnv();
  if (env.count("WINE") == 0) return false;
  std::string command = "env";
  for (const char *key : {"WINEPREFIX", "WINEDEBUG", "DISPLAY"}) {
    command += " " + std::string(key) + "=" + Quote(env[key]);
  }
  command += " WINELOADER=" + Quote(env["WINE"]) + " timeout 60 " + Quote(env["WINE"]) + " " +
             arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string MakerIn(const std::string &build) { return build + "/plugins/window_maker.exe"; }

}  // namespace

ReportedWindowsVersion::ReportedWindowsVersion(const std::string &version) {
  ok_ = RunWine("reg add 'HKCU\\Software\\Wine' /v Version /t REG_SZ /d " + Quote(version) + " /f");
}

ReportedWindowsVersion::~ReportedWindowsVersion() {
  RunWine("reg delete 'HKCU\\Software\\Wine' /v Version /f");
}

bool Bitmap::Load(const std::string &path) {
  std::string file = Slurp(path);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + 3])) << 24;
  };
  if (file.size() < 54 || file.compare(0, 2, "BM") != 0) return false;
  std::uint32_t offset = u32(10);
  width = static_cast<int>(u32(18));
  int rawHeight = static_cast<int>(u32(22));
  bool bottomUp = rawHeight > 0;
  height = bottomUp ? rawHeight : -rawHeight;
  if ((u32(28) & 0xFFFF) != 24 || width <= 0 || height <= 0) return false;
  std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  if (file.size() < offset + stride * height) return false;
  rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  for (int y = 0; y < height; ++y) {
    std::size_t row = offset + stride * (bottomUp ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {  // BGR on disk
        rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
            static_cast<unsigned char>(file[row + x * 3 + 2 - c]);
      }
    }
  }
  return true;
}

unsigned Bitmap::Pixel(int x, int y) const {
  std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return static_cast<unsigned>(rgb[at]) << 16 | static_cast<unsigned>(rgb[at + 1]) << 8 |
         rgb[at + 2];
}

bool RunResult::Has(const std::string &line) const {
  for (const auto &l : transcript) {
    if (l == line) return true;
  }
  return false;
}

int RunResult::Find(const std::string &prefix, int from) const {
  for (int i = from < 0 ? 0 : from; i < static_cast<int>(transcript.size()); ++i) {
    if (transcript[i].compare(0, prefix.size(), prefix) == 0) return i;
  }
  return -1;
}

std::vector<std::string> RunResult::Lines(const std::string &prefix) const {
  std::vector<std::string> out;
  for (const auto &l : transcript) {
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  }
  return out;
}

std::vector<std::string> RunResult::PluginStartsAndEnds() const {
  std::vector<std::string> calls;
  for (const auto &line : Lines("plugin ")) {
    if (line.find(" begin") != std::string::npos || line.find(" endPlugin") != std::string::npos) {
      calls.push_back(line);
    }
  }
  return calls;
}

std::string RunResult::Dump() const {
  std::string d = "exit " + std::to_string(exitCode) + "\n--- transcript\n";
  for (const auto &l : transcript) d += l + "\n";
  return d + "--- output\n" + output;
}

ShellSession::ShellSession() : env_(ReadSessionEnv()) {
  const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "session";
  for (char &c : name) {
    if (c == '/') c = '_';
  }
  folder_ = std::string(KESTRANE_E2E_DIR) + "/work/" + name;
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  if (env_.count("WIN_BUILD") == 0) {
    // Every later step would fail obscurely: say once what is missing.
    throw std::runtime_error(
        "no Wine session: run through ctest, whose e2e_session_start "
        "fixture writes " KESTRANE_E2E_DIR "/session.env");
  }
  fs::copy_file(env_["WIN_BUILD"] + "/corvane.exe", folder_ + "/corvane.exe");
}

std::string ShellSession::WindowsFolder() const {
  std::string w = "z:" + folder_ + "/";
  for (char &c : w) {
    if (c == '/')
      c = '\\';
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return w;
}

void ShellSession::InstallKestrane(const std::string &relative) {
  fs::path target = fs::path(folder_) / relative;
  fs::create_directories(target.parent_path());
  fs::copy_file(env_["WIN_BUILD"] + "/Kestrane.dll", target, fs::copy_options::overwrite_existing);
  kestrane_ = relative;
}

bool ShellSession::RunsI686Product() const {
  const std::string &wine = env_.at("WINE");
  return wine.size() < 2 || wine.compare(wine.size() - 2, 2, "64") != 0;
}

void ShellSession::InstallPlugin(const std::string &variant, const std::string &relative,
                                 const std::string &info) {
  fs::path target = fs::path(folder_) / relative;
  fs::create_directories(target.parent_path());
  fs::copy_file(env_["WIN_BUILD"] + "/plugins/" + variant + ".dll", target,
                fs::copy_options::overwrite_existing);
  if (!info.empty()) {
    fs::path infoFile = target;
    infoFile.replace_extension(".info");
    std::ofstream(infoFile, std::ios::binary) << info;
  }
}

std::string ShellSession::WindowMaker() const {
  return WindowsPath(fs::absolute(MakerIn(env_.at("WIN_BUILD"))).string());
}

std::string ShellSession::WindowMaker64() const {
  std::string maker = MakerIn(env_.at("WIN64_BUILD"));
  return fs::exists(maker) ? WindowsPath(fs::absolute(maker).string()) : std::string();
}

std::string ShellSession::InstallWindowMaker(const std::string &relative) {
  fs::path target = fs::path(folder_) / relative;
  fs::create_directories(target.parent_path());
  fs::copy_file(MakerIn(env_["WIN_BUILD"]), target, fs::copy_options::overwrite_existing);
  return WindowsPath(fs::absolute(target).string());
}

std::string ShellSession::InstallWindowMaker64(const std::string &relative) {
  fs::path target = fs::path(folder_) / relative;
  fs::create_directories(target.parent_path());
  fs::copy_file(MakerIn(env_["WIN64_BUILD"]), target, fs::copy_options::overwrite_existing);
  return WindowsPath(fs::absolute(target).string());
}

void ShellSession::WriteFile(const std::string &relative, const std::string &content) {
  fs::path target = fs::path(folder_) / relative;
  fs::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary) << content;
}

std::string ShellSession::ReadFile(const std::string &relative) const {
  return Slurp(folder_ + "/" + relative);
}

bool ShellSession::Exists(const std::string &relative) const {
  return fs::exists(fs::path(folder_) / relative);
}

std::string ShellSession::BuildFile(const std::string &relative) const {
  return Slurp(BuildPath(relative));
}

std::string ShellSession::BuildPath(const std::string &relative) const {
  return env_.at("WIN_BUILD") + "/" + relative;
}

std::string ShellSession::CertificateFile(const std::string &name) const {
  return env_.at("TLS_DIR") + "/" + name;
}

std::map<std::string, std::string> ShellSession::Files(const std::string &relative,
                                                       bool folders) const {
  std::map<std::string, std::string> files;
  for (const auto &entry : fs::recursive_directory_iterator(fs::path(folder_) / relative)) {
    const std::string name = fs::relative(entry.path(), folder_).generic_string();
    if (entry.is_regular_file()) {
      files[name] = Slurp(entry.path().string());
    } else if (folders && entry.is_directory()) {
      files[name + "/"] = "";
    }
  }
  return files;
}

std::string ShellSession::OemCodePage() const {
  const std::string registry = Slurp(env_.at("WINEPREFIX") + "/system.reg");
  const std::string key = "\"OEMCP\"=\"";
  const std::size_t at = registry.find(key);
  if (at == std::string::npos) return "437";  // what Wine gives a prefix that names none
  return registry.substr(at + key.size(), registry.find('"', at + key.size()) - at - key.size());
}

RunResult ShellSession::Run(const std::string &start, const std::string &script,
                            const std::vector<std::string> &extraArguments) {
  RunResult result;
  if (env_.count("WINE") == 0) {
    result.output = "no Wine session: the e2e_session_start fixture did not run";
    return result;
  }
  WriteFile("script.txt", script);
  // The loopback update site must be reached directly, never through a proxy.
  std::string command = "cd " + Quote(folder_) +
                        " && env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY"
                        " -u all_proxy -u ALL_PROXY";
  for (const char *key : {"WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "DISPLAY"}) {
    command += " " + std::string(key) + "=" + Quote(env_[key]);
  }
  command += " WINELOADER=" + Quote(env_["WINE"]);
  command += " timeout -k 5 " + std::to_string(kShellTimeoutSeconds) + " " + Quote(env_["WINE"]) +
             " corvane.exe --start " + start + " --script script.txt --transcript transcript.txt";
  for (const auto &a : extraArguments) command += " " + Quote(a);
  std::string windowsPath = kestrane_;
  for (char &c : windowsPath) {
    if (c == '/') c = '\\';
  }
  command += " " + Quote(windowsPath) + " > output.txt 2>&1";
  int status = std::system(command.c_str());
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.output = ReadFile("output.txt");
  std::istringstream lines(ReadFile("transcript.txt"));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.transcript.push_back(line);
  }
  return result;
}

}  // namespace kestrane::e2e
