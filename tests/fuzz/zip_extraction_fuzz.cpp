// Arbitrary bytes as an update's archive: extraction never writes outside the chosen folder,
// lists only what lies inside it, and gives back one of its texts.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "extraction_checks.h"
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
  std::string result;
  {  // the list box shows as the worker's run ends
    kestrane::WorkerRun run(rig.manager, rig.manager.updates.epoch.load());
    result = kestrane::ExtractZipArchive(run, archive.c_str(), dest.c_str()).c_str();
  }
  kestrane::fuzz::CheckExtraction(root, dest, result, rig.desktop.boxes);
  fs::remove_all(root);
  return 0;
}
