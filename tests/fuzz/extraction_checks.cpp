#include "extraction_checks.h"

#include <filesystem>

namespace kestrane::fuzz {

void CheckExtraction(const std::string &root, const std::string &dest, const std::string &result,
                     const std::vector<testing::ShownBox> &boxes, bool shutDown) {
  namespace fs = std::filesystem;
  int beside = 0;
  for (const auto &item : fs::directory_iterator(root)) {
    const std::string name = item.path().filename().string();
    Check(name == "out" || name == "update.zip");
    ++beside;
  }
  Check(beside == 2);
  for (const auto &box : boxes) {
    std::size_t at = box.text.find("\n\n") + 2;
    while (at < box.text.size()) {
      std::size_t end = box.text.find('\n', at);
      std::string line = box.text.substr(at, end - at);
      Check(line.compare(0, dest.size(), dest) == 0);
      for (std::size_t step = dest.size(); step <= line.size();) {
        std::size_t next = line.find_first_of("/\\", step);
        if (next == std::string::npos) next = line.size();
        Check(line.compare(step, next - step, "..") != 0);
        step = next + 1;
      }
      at = end + 1;
    }
  }
  Check(!boxes.empty() || shutDown || result == "Could Not Open Zip" ||
        result == "Could Not Find Files In Zip" || result == "Error Extracting File");
}

}  // namespace kestrane::fuzz
