// Arbitrary bytes as an update's archive: extraction never writes outside the chosen folder,
// lists only what lies inside it, and gives back one of its texts.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "test_rig.h"
#include "update/update_worker.h"
#include "update/zip_extraction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/kestrane-zip-fuzz-XXXXXX";
  const std::string root = mkdtemp(pattern);
  const std::string dest = root + "/out/";
  const std::string archive = root + "/update.zip";
  fs::create_directory(dest);
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char *>(data), size);

  kestrane::testing::TestRig rig;
  kestrane::WorkerRun run(rig.manager, rig.manager.updates.epoch.load());
  const std::string result =
      kestrane::ExtractZipArchive(run, archive.c_str(), dest.c_str()).c_str();

  // Only the archive and the destination stay beside each other; every listed path lies inside.
  int beside = 0;
  for (const auto &item : fs::directory_iterator(root)) {
    const std::string name = item.path().filename().string();
    if (name != "out" && name != "update.zip") __builtin_trap();
    ++beside;
  }
  if (beside != 2) __builtin_trap();
  for (const auto &box : rig.desktop.boxes) {
    std::size_t at = box.text.find("\n\n") + 2;
    while (at < box.text.size()) {
      std::size_t end = box.text.find('\n', at);
      std::string line = box.text.substr(at, end - at);
      if (line.compare(0, dest.size(), dest) != 0) __builtin_trap();
      for (std::size_t step = dest.size(); step <= line.size();) {
        std::size_t next = line.find_first_of("/\\", step);
        if (next == std::string::npos) next = line.size();
        if (line.compare(step, next - step, "..") == 0) __builtin_trap();
        step = next + 1;
      }
      at = end + 1;
    }
  }
  if (rig.desktop.boxes.empty() &&
      (result != "Could Not Open Zip" && result != "Could Not Find Files In Zip" &&
       result != "Error Extracting File")) {
    __builtin_trap();
  }
  fs::remove_all(root);
  return 0;
}
