// What the user's manual must mention, read from Kestrane's sources rather than listed by
// hand: the setting keys, the dispatcher's command names and the message box texts. A text
// added anywhere in src/ is seen without anyone telling this test about it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrane::readme {

struct SourceFile {
  std::string path;
  std::string content;
};

struct SourceText {
  std::string text;   // as the program holds it, escapes decoded
  std::string where;  // file:line, for failure messages
};

struct Findings {
  std::vector<SourceText> settingKeys;   // every literal that begins "Kestrane.plugin." or
                                         // "Kestrane.update."
  std::vector<SourceText> commandNames;  // the texts the dispatcher tests commands against
  std::vector<SourceText> broams;        // the texts the bro@m handler tests against
  // Every text that can reach ShowMessageBox: literals and named constants passed to it, or
  // to a function that passes its parameter on (found by following calls), or formatted or
  // assigned into the text passed, or returned by a function called for it.
  std::vector<SourceText> boxTexts;
};

// The .h and .cpp files below `folder`, in a fixed order.
std::vector<SourceFile> ReadSourceTree(const std::string &folder);

// `dispatcher` and `broamHandler` name the functions whose texts are the command names and
// the bro@ms.
Findings ScanSources(const std::vector<SourceFile> &files, std::string_view dispatcher,
                     std::string_view broamHandler);

}  // namespace kestrane::readme
