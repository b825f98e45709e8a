// Kestrane's DownloadUrlToFile against a bare WinINet loop of 1024-byte reads into a file, the
// same URL, runs interleaved. Prints each run and a ROW line of the medians in milliseconds.
//   download_bench.exe URL FOLDER RUNS
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32_internet.h"
#include "platform/win32/win32_kernel.h"
#include "update/download.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

template <typename Run>
double Timed(Run &&run) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  bool ok = run();
  QueryPerformanceCounter(&end);
  if (!ok) {
    std::fprintf(stderr, "download_bench: a download failed\n");
    std::exit(1);
  }
  return Milliseconds(start, end);
}

bool Bare(const char *url, const std::string &path) {
  HINTERNET session = InternetOpenA("Kestrane", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) return false;
  DWORD timeout = 10000;
  InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
  HINTERNET request = InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD, 0);
  bool ok = false;
  if (request != nullptr) {
    if (std::FILE *file = std::fopen(path.c_str(), "wb")) {
      char block[1024];
      DWORD got = 0;
      while (InternetReadFile(request, block, sizeof block, &got) && got > 0) {
        std::fwrite(block, 1, got, file);
      }
      ok = std::fclose(file) == 0;
    }
    InternetCloseHandle(request);
  }
  InternetCloseHandle(session);
  return ok;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_bench.exe URL FOLDER RUNS\n");
    return 2;
  }
  const char *url = argv[1];
  const std::string folder = argv[2];
  const int runs = std::atoi(argv[3]);
  kestrane::win32::Win32Internet internet;
  kestrane::win32::Win32Kernel kernel;
  std::vector<double> kestrane, bare;
  Bare(url, folder + "\\warm.bin");  // the server's file and the socket paths warmed once
  for (int i = 0; i < runs; ++i) {
    kestrane.push_back(Timed([&] {
      kestrane::Path address{url}, target{(folder + "\\kestrane.bin").c_str()};
      return kestrane::DownloadUrlToFile(internet, kernel, address, target,
                                         kestrane::kUpdateFileLimitBytes);
    }));
    bare.push_back(Timed([&] { return Bare(url, folder + "\\bare.bin"); }));
    std::printf("run %d: DownloadUrlToFile %.1f ms, bare loop %.1f ms\n", i + 1, kestrane.back(),
                bare.back());
  }
  std::printf("ROW\t50 MB download over loopback\t%.1f\t%.1f\tms\t1.10\n", Median(kestrane),
              Median(bare));
  return 0;
}
