// One run of corvane.exe with Kestrane.dll under Wine: a fresh shell folder, the files a
// scenario puts there, a script, and the transcript the shell wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kestrane::e2e {

struct RunResult {
  int exitCode = -1;
  std::vector<std::string> transcript;
  std::string output;  // what the shell printed

  bool Has(const std::string &line) const;
  // Index of the first line that starts with `prefix` at or after `from`, or -1.
  int Find(const std::string &prefix, int from = 0) const;
  std::vector<std::string> Lines(const std::string &prefix) const;
  // The test plug-ins' begin and endPlugin calls, in order.
  std::vector<std::string> PluginStartsAndEnds() const;
  std::string Dump() const;  // for failure messages
};

// A 24-bit BMP as corvane.exe's screenshot command writes it.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top row first, three bytes a pixel
  bool Load(const std::string &path);
  unsigned Pixel(int x, int y) const;  // 0xRRGGBB
};

// Has Wine report another Windows version (a name Wine knows: "nt40", "win2k", ...) to every
// program of the shared prefix until it goes out of scope.
class ReportedWindowsVersion {
 public:
  explicit ReportedWindowsVersion(const std::string &version);
  ~ReportedWindowsVersion();
  ReportedWindowsVersion(const ReportedWindowsVersion &) = delete;
  ReportedWindowsVersion &operator=(const ReportedWindowsVersion &) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

class ShellSession {
 public:
  // A new, empty shell folder named after the running test.
  ShellSession();

  const std::string &folder() const { return folder_; }
  // The shell folder as Windows programs in Wine see it: "Z:\...\" lower-cased as Kestrane
  // keeps hostFolder.
  std::string WindowsFolder() const;

  // Puts Kestrane.dll at `relative` (default: beside corvane.exe).
  void InstallKestrane(const std::string &relative = "Kestrane.dll");
  // Runs the Kestrane.dll that is at `relative` already (unpacked from the release archive).
  void UseKestraneAt(const std::string &relative) { kestrane_ = relative; }
  // True when this run's sessions run the i686 product under 32-bit Wine, false when they run
  // the x86-64 build under wine64.
  bool RunsI686Product() const;
  // Copies a test plug-in (plugin_full, plugin_noend ...) to `relative`, with an .info file.
  void InstallPlugin(const std::string &variant, const std::string &relative,
                     const std::string &info = "");
  // window_maker.exe as the build made it, outside the shell folder: a Windows path.
  std::string WindowMaker() const;
  // A copy of window_maker.exe at `relative` inside the shell folder: a Windows path.
  std::string InstallWindowMaker(const std::string &relative);
  // The same for window_maker.exe built for x86-64: a 64-bit program beside the 32-bit shell.
  // Empty when the win64 preset has not been built.
  std::string WindowMaker64() const;
  std::string InstallWindowMaker64(const std::string &relative);
  void WriteFile(const std::string &relative, const std::string &content);
  std::string ReadFile(const std::string &relative) const;
  bool Exists(const std::string &relative) const;
  // A file of the Windows build (plugins/plugin_full.dll ...), byte for byte, and its path.
  std::string BuildFile(const std::string &relative) const;
  std::string BuildPath(const std::string &relative) const;
  // A file the session made for the https sites (tests/e2e/make_certificates.sh).
  std::string CertificateFile(const std::string &name) const;
  // Every file below `relative` of the shell folder with its content; with `folders`, every
  // folder too, as its path and "/" with no content.
  std::map<std::string, std::string> Files(const std::string &relative, bool folders = false) const;
  // The code page the prefix's programs take for the OEM one, as its registry records it.
  std::string OemCodePage() const;

  // Runs the shell with `start` (beginPlugin, beginSlitPlugin, beginPluginEx) and the script.
  RunResult Run(const std::string &start, const std::string &script,
                const std::vector<std::string> &extraArguments = {});

 private:
  std::string folder_;
  std::string kestrane_ = "Kestrane.dll";
  std::map<std::string, std::string> env_;
};

}  // namespace kestrane::e2e
