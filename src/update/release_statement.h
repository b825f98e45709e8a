// The release statement: what a plug-in's author signs for a release. Kestrane rebuilds it from
// the update's metadata alone, byte for byte:
//   kestrane-release 1
//   name: NAME
//   version: VERSION
//   date: DATE
//   file: FILENAME SHA256      one line per file, in list order ("archive:" for NAME.archive:)
// It binds the plug-in's name, the release and each file's stored name and digest, so that a
// signature made for one release, or for one file of it, fits nothing else.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/bounded_text.h"

namespace kestrane {

struct UpdatePlan;

struct PublishedRelease {
  std::string_view name;     // the plug-in's name as the metadata's keys use it
  std::string_view version;  // as published, trimmed
  std::string_view date;     // as published, trimmed
  bool archive = false;      // published as NAME.archive:
};

// Room for the header with the longest name, version and date, and for 32 files' lines.
constexpr std::size_t kStatementCapacity = 12 * 1024;
using ReleaseStatement = BoundedText<kStatementCapacity>;

// False when a file of the plan has no published digest: the statement binds every file's bytes.
bool BuildReleaseStatement(const PublishedRelease &release, const UpdatePlan &plan,
                           ReleaseStatement &statement);

// YYYY-MM-DD in digits: the shape only.
bool IsIsoDate(std::string_view date);

// Dated before the running release, when both dates are ISO dates; other dates tell no order.
bool IsOlderRelease(std::string_view date, std::string_view ownDate);

}  // namespace kestrane
