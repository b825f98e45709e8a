// Keeps the user's manual true: every setting key the code reads, every command name of the
// dispatcher and the first line of every message box Kestrane can show must be in
// docs/Readme.txt. Line breaks and runs of blanks do not count, so the manual may wrap freely;
// a printf conversion in a text (%s, %d ...) stands for a few words of the manual's choosing.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>

#include "source_texts.h"

namespace kestrane::readme {
namespace {

constexpr const char *kDispatcher = "CarryOutCommand";
constexpr const char *kBroamHandler = "HandleBroam";
constexpr const char *kCommandPrefix = "@KestraneInternal ";
constexpr std::size_t kMaxPlaceholderLength = 60;

std::string Fold(std::string_view text) {
  std::string out;
  for (char c : text) {
    bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (!blank) {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Manual() {
  std::ifstream in(KESTRANE_SOURCE_DIR "/docs/Readme.txt", std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return Fold(content.str());
}

const Findings &Sources() {
  static const Findings findings =
      ScanSources(ReadSourceTree(KESTRANE_SOURCE_DIR "/src"), kDispatcher, kBroamHandler);
  return findings;
}

// The fixed pieces of a text's first line that is not empty, in order: what lies between
// its printf conversions. Pieces before the first and after the last conversion may be empty.
std::vector<std::string> FirstLinePieces(const std::string &text) {
  std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return {};
  std::string line = Fold(text.substr(start, text.find('\n', start) - start));
  static const std::regex conversion(
      R"(%[-+ #0]*(\*|\d+)?(\.(\*|\d+))?(hh|h|ll|l|z|j|t|L)?[diouxXcsp%])");
  std::vector<std::string> pieces{""};
  for (std::sregex_iterator it(line.begin(), line.end(), conversion), end; it != end; ++it) {
    pieces.back() += it->prefix().str();
    if (it->str() == "%%") {
      pieces.back() += '%';
    } else {
      pieces.emplace_back();
    }
  }
  std::string tail = line;
  std::smatch last;
  for (std::sregex_iterator it(line.begin(), line.end(), conversion), end; it != end; ++it) {
    tail = it->suffix().str();
  }
  pieces.back() += tail;
  return pieces;
}

// True when `pieces`, with a few words standing in for each conversion between them, occur in
// `manual`; a conversion never stands for a quotation mark, so a quoted message must be
// quoted whole.
bool Mentions(const std::string &manual, std::vector<std::string> pieces) {
  while (!pieces.empty() && pieces.front().empty()) pieces.erase(pieces.begin());
  while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  if (pieces.empty()) return true;
  // A conversion at either end stands for nothing the manual must have.
  pieces.front().erase(0, pieces.front().find_first_not_of(' '));
  pieces.back().erase(pieces.back().find_last_not_of(' ') + 1);
  for (std::size_t at = manual.find(pieces[0]); at != std::string::npos;
       at = manual.find(pieces[0], at + 1)) {
    std::size_t position = at + pieces[0].size();
    bool all = true;
    for (std::size_t k = 1; k < pieces.size() && all; ++k) {
      std::size_t next = manual.find(pieces[k], position + 1);
      all = next != std::string::npos && next - position <= kMaxPlaceholderLength &&
            manual.find('"', position) >= next;
      if (all) position = next + pieces[k].size();
    }
    if (all) return true;
  }
  return false;
}

bool HasFixedText(const std::vector<std::string> &pieces) {
  for (const std::string &piece : pieces) {
    if (piece.find_first_not_of(" .,:;()") != std::string::npos) return true;
  }
  return false;
}

// `word` in `text`, not as the start of a longer word.
bool HasWord(const std::string &text, const std::string &word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    std::size_t end = at + word.size();
    if (end == text.size() || !std::isalnum(static_cast<unsigned char>(text[end]))) return true;
  }
  return false;
}

std::string Missing(const std::vector<std::string> &lines) {
  std::string out;
  for (const std::string &line : lines) out += "\n  " + line;
  return out;
}

TEST(Readme, NamesEverySettingKeyTheCodeReads) {
  const std::string manual = Manual();
  std::vector<std::string> missing;
  for (const SourceText &key : Sources().settingKeys) {
    std::string wanted = key.text;
    std::size_t slot = wanted.find("%d");
    if (slot != std::string::npos) {
      // The 50 class slots: named as "...Class0:" ... "...Class49:".
      std::string last = wanted;
      wanted.replace(slot, 2, "0");
      last.replace(slot, 2, "49");
      last = last.substr(std::string("Kestrane.plugin.").size());
      if (manual.find(last) == std::string::npos) missing.push_back(last + "  (" + key.where + ")");
    }
    if (manual.find(wanted) == std::string::npos)
      missing.push_back(wanted + "  (" + key.where + ")");
  }
  EXPECT_GE(Sources().settingKeys.size(), 19u) << "the scanner no longer finds the keys";
  EXPECT_TRUE(missing.empty()) << "docs/Readme.txt does not name these setting keys:"
                               << Missing(missing);
}

TEST(Readme, ShowsEveryCommandAndBroamTheDispatcherKnows) {
  const std::string manual = Manual();
  std::vector<std::string> missing;
  for (const SourceText &name : Sources().commandNames) {
    std::string command = kCommandPrefix + Fold(name.text);
    if (!HasWord(manual, command)) missing.push_back(command + "  (" + name.where + ")");
  }
  for (const SourceText &broam : Sources().broams) {
    if (!HasWord(manual, Fold(broam.text))) {
      missing.push_back(broam.text + "  (" + broam.where + ")");
    }
  }
  EXPECT_GE(Sources().commandNames.size(), 26u)
      << "the scanner no longer finds the command names in " << kDispatcher;
  EXPECT_TRUE(missing.empty()) << "docs/Readme.txt does not show these commands:"
                               << Missing(missing);
}

TEST(Readme, QuotesTheFirstLineOfEveryMessageBox) {
  const std::string manual = Manual();
  std::vector<std::string> missing, unchecked;
  for (const SourceText &box : Sources().boxTexts) {
    std::vector<std::string> pieces = FirstLinePieces(box.text);
    std::string shown;
    for (std::size_t k = 0; k < pieces.size(); ++k) shown += (k ? "%" : "") + pieces[k];
    if (!HasFixedText(pieces)) {
      unchecked.push_back("\"" + shown + "\"  (" + box.where + ")");
    } else if (!Mentions(manual, pieces)) {
      missing.push_back("\"" + shown + "\"  (" + box.where + ")");
    }
  }
  EXPECT_GE(Sources().boxTexts.size(), 30u) << "the scanner no longer finds the message boxes";
  EXPECT_TRUE(missing.empty())
      << "docs/Readme.txt does not quote the first line of these message boxes (% stands for "
         "a few words of the manual's choosing):"
      << Missing(missing);
  // Said, not failed: first lines made only of values the program fills in.
  std::cout << "first lines with nothing fixed to look for:" << Missing(unchecked) << "\n";
}

// The scanner itself, on a made-up source holding each way a text reaches a box.
TEST(SourceTexts, FollowsEveryWayATextReachesAMessageBox) {
  const std::string source = R"(
    #include "x.h"  // "not a text"
    constexpr const char *kNamed = "named " "constant";
    constexpr const char *kOther = "other arm";
    void ShowError(Manager &m, const char *text) {
      m.desktop.ShowMessageBox(kNoWindow, text, kCaption, 0);
    }
    void ShowAbout(Manager &m, const char *format, const Path &name) {
      BoundedText<99> text;
      text.Format(format, name.c_str());
      ShowError(m, text.c_str());
    }
    int WorkerRun::Show(const char *text, unsigned style) { return desktop.ShowMessageBox(0, text, kCaption, style); }
    Path Built(int n) { Path p; p.Format("returned %d", n); return p; }
    void Uses(Manager &m, WorkerRun &run, bool b) {
      ShowError(m, "literal");
      run.Show(kNamed, 0);
      ShowAbout(m, "through a parameter %s", path);
      std::string list = "declared\nsecond line";
      list.append(other.view());
      m.desktop.ShowMessageBox(0, list.c_str(), kCaption, 0);
      m.desktop.ShowMessageBox(0, b ? "one arm" : kOther, kCaption, 0);
      ShowError(m, Built(3).c_str());
      Caption("not a box text");
    }
  )";
  Findings found = ScanSources({{"src/x.cpp", source}}, "Nothing", "Nothing");
  std::vector<std::string> texts;
  for (const SourceText &t : found.boxTexts) texts.push_back(t.text);
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"declared\nsecond line", "literal", "named constant",
                                             "one arm", "other arm", "returned %d",
                                             "through a parameter %s"}));
  EXPECT_EQ(FirstLinePieces("Could not find %s"),
            (std::vector<std::string>{"Could not find ", ""}));
  EXPECT_TRUE(Mentions("say \"There are 3 updates available.\" and",
                       FirstLinePieces("There are %d updates available.\n\nUse")));
  EXPECT_FALSE(Mentions("\"There are\" some \"updates available.\"",
                        FirstLinePieces("There are %d updates available.")));
  EXPECT_TRUE(Mentions("100% sure", FirstLinePieces("100%% sure")));
}

}  // namespace
}  // namespace kestrane::readme
