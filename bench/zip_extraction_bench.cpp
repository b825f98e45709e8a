// The extraction as the update worker runs it, for bench/zip_extraction.sh:
//   zip_extraction_bench make ARCHIVE         writes the 1000-entry archive
//   zip_extraction_bench extract ARCHIVE DEST extracts it into DEST (ending in "/")
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "test_rig.h"
#include "update/update_worker.h"
#include "update/zip_extraction.h"
#include "zip_maker.h"

namespace {

constexpr int kEntries = 1000;
constexpr int kFolders = 10;
constexpr std::size_t kRandomBytes = 45000;  // as incompressible as a plug-in's resources
constexpr int kWords = 3000;                 // and some text, which deflates well

int Make(const char *archive) {
  std::uint32_t state = 2463534242u;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  std::vector<kestrane::testing::ZipItem> items;
  for (int i = 0; i < kEntries; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "dir%02d/file%04d.bin", i % kFolders, i);
    std::string content(kRandomBytes, '\0');
    for (char &c : content) c = static_cast<char>(next());
    for (int w = 0; w < kWords; ++w) content += "word" + std::to_string(next() % 500) + " ";
    items.push_back({name, std::move(content)});
  }
  return kestrane::testing::MakeZip(archive, items, "benchmark archive") ? 0 : 1;
}

int Extract(const char *archive, const char *dest) {
  kestrane::testing::TestRig rig;
  kestrane::WorkerRun run(rig.manager, rig.manager.updates.epoch.load());
  kestrane::Path result = kestrane::ExtractZipArchive(run, archive, dest);
  if (!(result == "benchmark archive")) {
    std::fprintf(stderr, "extraction failed: %s\n", result.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "make") == 0) return Make(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "extract") == 0) return Extract(argv[2], argv[3]);
  std::fprintf(stderr, "usage: %s make ARCHIVE | extract ARCHIVE DEST/\n", argv[0]);
  return 2;
}
