// Arbitrary pluginInfo answers and paths: the bro@m list and the path helpers stay inside
// their buffers and keep their shape.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/path_text.h"
#include "core/plugin_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace kestrane;
  const std::string text(reinterpret_cast<const char *>(data), size);

  BroamList list = BroamListFromInfo(text.c_str());
  if (list.size() > 999) __builtin_trap();
  // Every full line is "@" and a segment without "@" (when the answer holds no line feeds).
  std::string_view rest = list.view();
  bool lineFeeds = std::string_view(text.c_str()).find('\n') != std::string_view::npos;
  while (!lineFeeds && !rest.empty()) {
    if (rest[0] != '@') __builtin_trap();
    std::size_t lf = rest.find('\n');
    if (lf == std::string_view::npos) break;  // the last line may be cut
    if (lf == 1 || rest.substr(1, lf - 1).find('@') != std::string_view::npos) __builtin_trap();
    rest.remove_prefix(lf + 1);
  }

  Path folder = FolderPart(text);
  Path file = FileNamePart(text);
  if (text.size() < Path::kCapacity && folder.size() + file.size() != text.size()) {
    __builtin_trap();
  }
  std::string_view trimmed = TrimBlanks(std::string_view(text));
  if (trimmed.size() > text.size()) __builtin_trap();
  return 0;
}
