#include "update/update_metadata.h"

#include "core/path_text.h"

namespace kestrane {

namespace {

using Key = BoundedText<300>;  // room for a 259-character name and the longest suffix

Key KeyFor(const char *name, const char *suffix) {
  Key key;
  key.Format("%s.%s:", name, suffix);
  return key;
}

template <typename Text>
Text Read(Shell &shell, const char *file, const char *name, const char *suffix) {
  if (*file == '\0') return Text(kNoInfo);
  Key key = KeyFor(name, suffix);
  if constexpr (Text::kCapacity > Path::kCapacity) {
    return Text(shell.ReadLongString(file, key.c_str(), kNoInfo).view());
  } else {
    return Text(shell.ReadString(file, key.c_str(), kNoInfo).view());
  }
}

template <typename Text>
Text ReadTrimmed(Shell &shell, const char *file, const char *name, const char *suffix) {
  Text text = Read<Text>(shell, file, name, suffix);
  if (text.size() < Text::kMaxLength) TrimBlanks(text);  // a cut one stays recognisable
  return text;
}

}  // namespace

Path MetadataFilePath(const Path &hostFolder) {
  Path path;
  if (!path.Format("%s%s", hostFolder.c_str(), kMetadataFileName)) return Path();
  return path;
}

UpdateMetadata ReadUpdateMetadata(Shell &shell, const char *file, const char *name) {
  // Built in place: a default record assigned field by field would cost this compiler a 17 KB
  // zero template in the DLL.
  return UpdateMetadata{ReadTrimmed<ShortText>(shell, file, name, "version"),
                        ReadTrimmed<ShortText>(shell, file, name, "date"),
                        Read<ShortText>(shell, file, name, "author"),
                        Read<LongText>(shell, file, name, "changes"),
                        ReadTrimmed<LongText>(shell, file, name, "files"),
                        Read<LongText>(shell, file, name, "information"),
                        ReadTrimmed<LongText>(shell, file, name, "archive"),
                        ReadTrimmed<LongText>(shell, file, name, "sha256"),
                        ReadTrimmed<LongText>(shell, file, name, "signature")};
}

bool IsCut(const LongText &value) { return value.size() == LongText::kMaxLength; }

bool IsPublished(std::string_view value) { return !value.empty() && value != kNoInfo; }

bool IsUpdateAvailable(std::string_view version, std::string_view date, std::string_view ownVersion,
                       std::string_view ownDate) {
  version = TrimBlanks(version);
  date = TrimBlanks(date);
  ownVersion = TrimBlanks(ownVersion);
  ownDate = TrimBlanks(ownDate);
  return (version != ownVersion || date != ownDate) && IsPublished(version) && IsPublished(date);
}

}  // namespace kestrane
