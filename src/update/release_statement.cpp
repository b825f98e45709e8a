#include "update/release_statement.h"

#include <sodium/utils.h>

#include "update/update_files.h"

namespace kestrane {

namespace {

constexpr const char *kHeader = "kestrane-release 1\nname: %.*s\nversion: %.*s\ndate: %.*s\n";
constexpr std::size_t kIsoDateLength = 10;

int Length(std::string_view text) { return static_cast<int>(text.size()); }

}  // namespace

bool BuildReleaseStatement(const PublishedRelease &release, const UpdatePlan &plan,
                           ReleaseStatement &statement) {
  bool whole =
      statement.Format(kHeader, Length(release.name), release.name.data(), Length(release.version),
                       release.version.data(), Length(release.date), release.date.data());
  for (int i = 0; i < plan.count && whole; ++i) {
    const UpdateFile &file = plan.files[i];
    if (!file.hasDigest) return false;
    char hex[2 * kSha256Bytes + 1];
    sodium_bin2hex(hex, sizeof hex, file.digest.bytes, sizeof file.digest.bytes);
    BoundedText<kPathCapacity + sizeof hex + 16> line;
    whole =
        line.Format("%s: %s %s\n", release.archive ? "archive" : "file", file.name.c_str(), hex) &&
        statement.Append(line.view());
  }
  return whole;
}

bool IsIsoDate(std::string_view date) {
  if (date.size() != kIsoDateLength) return false;
  for (std::size_t i = 0; i < date.size(); ++i) {
    bool digit = date[i] >= '0' && date[i] <= '9';
    if ((i == 4 || i == 7) ? date[i] != '-' : !digit) return false;
  }
  return true;
}

bool IsOlderRelease(std::string_view date, std::string_view ownDate) {
  return IsIsoDate(date) && IsIsoDate(ownDate) && date < ownDate;
}

}  // namespace kestrane
