#include "fake_kernel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

namespace kestrane::testing {

namespace {

// CP437's upper half, as Unicode.
constexpr char32_t kCp437[128] = {
    0xC7,   0xFC,   0xE9,   0xE2,   0xE4,   0xE0,   0xE5,   0xE7,   0xEA,   0xEB,   0xE8,   0xEF,
    0xEE,   0xEC,   0xC4,   0xC5,   0xC9,   0xE6,   0xC6,   0xF4,   0xF6,   0xF2,   0xFB,   0xF9,
    0xFF,   0xD6,   0xDC,   0xA2,   0xA3,   0xA5,   0x20A7, 0x192,  0xE1,   0xED,   0xF3,   0xFA,
    0xF1,   0xD1,   0xAA,   0xBA,   0xBF,   0x2310, 0xAC,   0xBD,   0xBC,   0xA1,   0xAB,   0xBB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x3B1,  0xDF,   0x393,  0x3C0,  0x3A3,  0x3C3,  0xB5,   0x3C4,  0x3A6,  0x398,  0x3A9,  0x3B4,
    0x221E, 0x3C6,  0x3B5,  0x2229, 0x2261, 0xB1,   0x2265, 0x2264, 0x2320, 0x2321, 0xF7,   0x2248,
    0xB0,   0x2219, 0xB7,   0x221A, 0x207F, 0xB2,   0x25A0, 0xA0};

constexpr char32_t kReplacement = 0xFFFD;

std::u32string Decode(std::string_view text, TextCoding coding) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (coding != TextCoding::kUtf8 || c < 0x80) {
      out += coding == TextCoding::kOem && c >= 0x80 ? kCp437[c - 0x80] : char32_t{c};
      ++i;
      continue;
    }
    const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    char32_t point = length == 1 ? kReplacement : c & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
      point = (next & 0xC0) == 0x80 ? (point << 6) | (next & 0x3F) : kReplacement;
    }
    out += point;
    i += length;
  }
  return out;
}

std::string Encode(const std::u32string &points, TextCoding coding) {
  std::string out;
  for (char32_t p : points) {
    if (coding == TextCoding::kUtf8 && p >= 0x80) {
      const int length = p < 0x800 ? 2 : p < 0x10000 ? 3 : 4;
      out += static_cast<char>(((0xFF00 >> length) & 0xFF) | (p >> (6 * (length - 1))));
      for (int k = length - 2; k >= 0; --k) out += static_cast<char>(0x80 | ((p >> 6 * k) & 0x3F));
    } else if (p < 0x80 || (coding == TextCoding::kSystem && p <= 0xFF)) {
      out += static_cast<char>(p);
    } else {
      char byte = '?';  // what the system puts for a character its code page lacks
      for (int i = 0; coding == TextCoding::kOem && i < 128; ++i) {
        if (kCp437[i] == p) byte = static_cast<char>(0x80 + i);
      }
      out += byte;
    }
  }
  return out;
}

// The name the disk holds for a path.
std::string OnDisk(FilePath path) {
  return Encode(Decode(path.text, path.coding), TextCoding::kUtf8);
}

bool Fits(FilePath path) {
  if (path.coding != TextCoding::kUtf8) return std::strlen(path.text) < kPathCapacity;
  std::size_t units = 0;
  for (char32_t p : Decode(path.text, path.coding)) units += p >= 0x10000 ? 2 : 1;
  return units < kPathCapacity;
}

bool IsReadOnly(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

}  // namespace

bool FakeKernel::StartThread(ModuleHandle, void (*routine)(void *), void *argument) {
  log_.Add("StartThread");
  std::lock_guard<std::mutex> lock(threadsMutex_);
  ++threadsStarted;
  if (realThreads) {
    live_.fetch_add(1);
    threads_.emplace_back([this, routine, argument] {
      routine(argument);
      live_.fetch_sub(1);
    });
  } else {
    pending.emplace_back(routine, argument);
  }
  return true;
}

ModuleHandle FakeKernel::HoldModule(ModuleHandle module) {
  if (module != kNoModule) ++heldModules;
  return module;
}

void FakeKernel::ReleaseModule(ModuleHandle) { --heldModules; }

void FakeKernel::JoinThreads() {
  for (;;) {
    std::vector<std::thread> running;
    {
      std::lock_guard<std::mutex> lock(threadsMutex_);
      running.swap(threads_);
    }
    if (running.empty()) return;
    for (std::thread &t : running) t.join();
  }
}

void FakeKernel::Sleep(unsigned milliseconds) {
  if (realThreads) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  } else {
    ticks += milliseconds;
  }
  if (onSleep) onSleep();
}

unsigned FakeKernel::TickCount() {
  if (onTickCount) onTickCount();
  if (!realThreads) return ticks;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

UtcTime FakeKernel::UtcNow() {
  std::time_t now = static_cast<std::time_t>(utcAtTickZero + ticks / 1000);
  std::tm t{};
  gmtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min};
}

void FakeKernel::RunPendingThreads() {
  auto threads = std::move(pending);
  pending.clear();
  for (auto &[routine, argument] : threads) routine(argument);
}

bool FakeKernel::MoveFileOver(FilePath from, FilePath to) {
  log_.Add(std::string("MoveFileOver ") + to.text);
  std::string target = to.text;
  bool refused =
      !failMoveTo.empty() && target.size() >= failMoveTo.size() &&
      target.compare(target.size() - failMoveTo.size(), failMoveTo.size(), failMoveTo) == 0;
  if (failReplace || refused || !Fits(from) || !Fits(to) || IsReadOnly(OnDisk(to)) ||
      std::rename(OnDisk(from).c_str(), OnDisk(to).c_str()) != 0) {
    return false;
  }
  if (afterMove) afterMove(target);
  return true;
}

bool FakeKernel::CreateFolder(FilePath path) {
  log_.Add(std::string("CreateFolder ") + path.text);
  if (!Fits(path)) return false;
  const std::string disk = OnDisk(path);
  if (mkdir(disk.c_str(), 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && stat(disk.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

PathKind FakeKernel::KindOf(FilePath path) {
  if (!Fits(path)) return PathKind::kUnknown;
  struct stat info;
  if (stat(OnDisk(path).c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? PathKind::kNothing : PathKind::kUnknown;
  }
  if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
  return (info.st_mode & S_IWUSR) != 0 ? PathKind::kFile : PathKind::kReadOnlyFile;
}

bool FakeKernel::RemoveFile(FilePath path) {
  log_.Add(std::string("RemoveFile ") + path.text);
  return Fits(path) && !IsReadOnly(OnDisk(path)) && unlink(OnDisk(path).c_str()) == 0;
}

bool FakeKernel::StampOf(const char *path, FileStamp &stamp) {
  struct stat info;
  if (!Fits(path) || stat(OnDisk(path).c_str(), &info) != 0) return false;
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.written = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                  static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
  return true;
}

bool FakeKernel::RenameFolder(const char *from, const char *to) {
  log_.Add(std::string("RenameFolder ") + from + " " + to);
  struct stat info;
  return Fits(from) && Fits(to) && stat(OnDisk(to).c_str(), &info) != 0 &&
         rename(OnDisk(from).c_str(), OnDisk(to).c_str()) == 0;
}

void FakeKernel::RemoveTree(const char *path) {
  log_.Add(std::string("RemoveTree ") + path);
  std::error_code ignored;
  if (Fits(path)) std::filesystem::remove_all(OnDisk(path), ignored);
}

bool FakeKernel::MakeWritable(FilePath path) {
  log_.Add(std::string("MakeWritable ") + path.text);
  struct stat info;
  const std::string disk = OnDisk(path);
  return Fits(path) && stat(disk.c_str(), &info) == 0 &&
         chmod(disk.c_str(), info.st_mode | S_IWUSR) == 0;
}

std::FILE *FakeKernel::OpenFile(FilePath path, const char *mode) {
  return Fits(path) ? std::fopen(OnDisk(path).c_str(), mode) : nullptr;
}

bool FakeKernel::ConvertText(std::string_view text, TextCoding from, TextCoding to,
                             HeapText &converted) {
  converted.Clear();
  return converted.Append(Encode(Decode(text, from), to));
}

bool FakeKernel::UpperCaseUtf8(std::string_view text, HeapText &upper) {
  std::u32string points = Decode(text, TextCoding::kUtf8);
  for (char32_t &p : points) {
    // ASCII and Latin-1's letters are enough for the tests.
    if ((p >= 'a' && p <= 'z') || (p >= 0xE0 && p <= 0xFE && p != 0xF7)) p -= 0x20;
  }
  upper.Clear();
  return upper.Append(Encode(points, TextCoding::kUtf8));
}

}  // namespace kestrane::testing
