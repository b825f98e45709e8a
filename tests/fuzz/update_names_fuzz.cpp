// Arbitrary update-site texts through the URL and file-name helpers, the planning of an
// update's files, the release statement and the signature policy: no name that is accepted can lead
// out of the plug-in's folder, and only canonical base64 passes for a key or a signature.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <sodium/utils.h>

#include "core/path_text.h"
#include "fake_kernel.h"
#include "update/file_name.h"
#include "update/release_statement.h"
#include "update/update_files.h"
#include "update/update_key.h"
#include "update/update_metadata.h"
#include "update/update_signatures.h"
#include "update/url_text.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::string Base64(const unsigned char *bytes, std::size_t size) {
  char text[sodium_base64_ENCODED_LEN(64, sodium_base64_VARIANT_ORIGINAL)];
  return sodium_bin2base64(text, sizeof text, bytes, size, sodium_base64_VARIANT_ORIGINAL);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace kestrane;
  // Three texts separated by NUL bytes: a files list, a digest list, and a text taken as a
  // version pair, a key resource and signatures.
  std::string input(reinterpret_cast<const char *>(data), size);
  std::size_t first = input.find('\0');
  std::string list = input.substr(0, first);
  std::string rest = first == std::string::npos ? "" : input.substr(first + 1);
  std::string sums = rest.substr(0, rest.find('\0'));

  Path url{list};
  Path before = url;
  if (EnsureUrlScheme(url)) {
    Check(url.view().find("://") != std::string_view::npos);
    if (before.view().find("://") == std::string_view::npos) {
      Check(url.view() == "http://" + std::string(before.view()));
    }
  } else {
    Check(url.view() == before.view());
  }

  Path name = UrlFileName(list);
  Check(name.view().find('/') == std::string_view::npos);
  const std::string folder = "c:\\corvane\\plugins\\clock\\";
  if (IsPlainFileName(name.view())) {
    Check(name.view().find_first_of("\\/:") == std::string_view::npos);
    Check(name.view() != "." && name.view() != "..");
    Check(FolderPart(folder + std::string(name.view())).view() == folder);
  }

  static testing::CallLog log;
  static testing::FakeKernel kernel(log);
  static UpdatePlan plan;
  PlanResult result = PlanUpdateFiles(kernel, list, folder, sums, plan);
  log.Clear();
  if (result.problem == PlanProblem::kNone) {
    Check(plan.count > 0 && plan.count <= kMaxUpdateFiles);
    for (int i = 0; i < plan.count; ++i) {
      const UpdateFile &file = plan.files[i];
      Check(FolderPart(file.target.view()).view() == folder);
      Check(FolderPart(file.incoming.c_str()).view() == folder);
      Check(file.hasDigest == !sums.empty() || sums.find_first_not_of(' ') == std::string::npos);
      for (int j = 0; j < i; ++j) Check(plan.files[j].name.view() != file.name.view());
    }
  }

  const std::string_view version = TrimBlanks(std::string_view(rest));
  UpdateKey key = ParseUpdateKey(rest);
  if (key.kind == UpdateKey::Kind::kKey) {
    Check(Base64(key.bytes, sizeof key.bytes) == TrimBlanks(std::string_view(rest)));
  }
  std::string_view signatures = rest;
  while (!signatures.empty()) {
    std::string_view element = signatures.substr(0, signatures.find(' '));
    signatures.remove_prefix(element.size() < signatures.size() ? element.size() + 1
                                                                : element.size());
    Signature signature;
    if (DecodeSignature(element, signature)) {
      Check(Base64(signature.bytes, sizeof signature.bytes) == element);
    }
  }
  if (result.problem == PlanProblem::kNone) {
    // A statement needs every digest; no key lets a release through unsigned (none of these
    // texts is a signature made with it), and no key asks nothing.
    const std::string_view shortText = version.substr(0, ShortText::kMaxLength);
    const PublishedRelease release{"Clock", shortText, shortText, sums.empty()};
    ReleaseStatement statement;
    Check(BuildReleaseStatement(release, plan, statement) == plan.files[0].hasDigest);
    ReleaseVerdict verdict = CheckRelease(key, rest, release, plan, version);
    Check((verdict == ReleaseVerdict::kAccepted) == (key.kind == UpdateKey::Kind::kNone));
  }
  for (int i = 0; i < plan.count; ++i) plan.files[i].incoming.Release();  // nothing on disk

  Check(!IsUpdateAvailable(version, version, rest, rest));
  return 0;
}
