#include "portable/pe_imports.h"

#include <cctype>
#include <cstdint>

namespace corvane {

namespace {

constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kImportDirectory = 1;
constexpr std::size_t kSectionSize = 40;
constexpr std::size_t kDescriptorSize = 20;

// Little-endian reads that fail, rather than overrun, at the end of the bytes.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}

  template <typename T>
  bool Read(std::size_t at, T &value) const {
    if (at > data_.size() || data_.size() - at < sizeof(T)) return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      v |= static_cast<std::uint64_t>(static_cast<unsigned char>(data_[at + i])) << (8 * i);
    }
    value = static_cast<T>(v);
    return true;
  }

  // A zero-terminated text at `at`.
  std::optional<std::string> Text(std::size_t at) const {
    if (at >= data_.size()) return std::nullopt;
    const std::size_t end = data_.find('\0', at);
    if (end == std::string_view::npos) return std::nullopt;
    return std::string(data_.substr(at, end - at));
  }

 private:
  std::string_view data_;
};

struct Section {
  std::uint32_t address, size, offset;
};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::vector<std::string>> ImportsFrom(std::string_view image,
                                                    std::string_view library) {
  const Bytes bytes(image);
  std::uint16_t mz = 0, sectionCount = 0, optionalSize = 0, magic = 0;
  std::uint32_t pe = 0, signature = 0, directoryCount = 0, importRva = 0;
  if (!bytes.Read(0, mz) || mz != 0x5A4D || !bytes.Read(0x3C, pe) || !bytes.Read(pe, signature) ||
      signature != 0x00004550 || !bytes.Read(pe + 6, sectionCount) ||
      !bytes.Read(pe + 20, optionalSize) || !bytes.Read(pe + 24, magic) ||
      (magic != kPe32 && magic != kPe32Plus)) {
    return std::nullopt;
  }
  const bool wide = magic == kPe32Plus;
  const std::size_t optional = pe + 24;
  if (!bytes.Read(optional + (wide ? 108 : 92), directoryCount)) return std::nullopt;
  std::vector<std::string> names;
  if (directoryCount <= kImportDirectory) return names;
  if (!bytes.Read(optional + (wide ? 112 : 96) + 8 * kImportDirectory, importRva)) {
    return std::nullopt;
  }
  if (importRva == 0) return names;

  std::vector<Section> sections;
  for (std::size_t i = 0, at = optional + optionalSize; i < sectionCount; ++i, at += kSectionSize) {
    std::uint32_t virtualSize = 0, address = 0, rawSize = 0, offset = 0;
    if (!bytes.Read(at + 8, virtualSize) || !bytes.Read(at + 12, address) ||
        !bytes.Read(at + 16, rawSize) || !bytes.Read(at + 20, offset)) {
      return std::nullopt;
    }
    sections.push_back({address, virtualSize > rawSize ? virtualSize : rawSize, offset});
  }
  // Where an address of the loaded image lies in the file; past the end when nowhere.
  auto fileOffset = [&](std::uint64_t rva) -> std::size_t {
    for (const Section &s : sections) {
      if (rva >= s.address && rva - s.address < s.size) return s.offset + (rva - s.address);
    }
    return image.size();
  };

  for (std::size_t at = fileOffset(importRva);; at += kDescriptorSize) {
    std::uint32_t lookup = 0, nameRva = 0, bound = 0;
    if (!bytes.Read(at, lookup) || !bytes.Read(at + 12, nameRva) || !bytes.Read(at + 16, bound)) {
      return std::nullopt;
    }
    if (nameRva == 0) break;
    const auto dll = bytes.Text(fileOffset(nameRva));
    if (!dll) return std::nullopt;
    if (!EqualNoCase(*dll, library)) continue;
    const std::size_t step = wide ? 8 : 4;
    const std::uint64_t byOrdinal = wide ? std::uint64_t{1} << 63 : std::uint64_t{1} << 31;
    for (std::size_t thunk = fileOffset(lookup != 0 ? lookup : bound);; thunk += step) {
      std::uint64_t entry = 0;
      std::uint32_t narrow = 0;
      if (wide ? !bytes.Read(thunk, entry) : !bytes.Read(thunk, narrow)) return std::nullopt;
      if (!wide) entry = narrow;
      if (entry == 0) break;
      if (entry & byOrdinal) {
        names.push_back("#" + std::to_string(entry & 0xFFFF));
        continue;
      }
      const auto name = bytes.Text(fileOffset(entry & 0x7FFFFFFF) + 2);  // after the hint
      if (!name) return std::nullopt;
      names.push_back(*name);
    }
  }
  return names;
}

}  // namespace corvane
