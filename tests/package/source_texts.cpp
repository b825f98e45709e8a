#include "source_texts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace kestrane::readme {

namespace {

namespace fs = std::filesystem;

// The one function every message box goes through, and its text argument.
constexpr std::string_view kBoxFunction = "ShowMessageBox";
constexpr std::size_t kBoxTextArgument = 1;
// How deep texts are followed through functions called for them.
constexpr int kMaxCallDepth = 4;

enum class Kind { kIdentifier, kString, kOther };

struct Token {
  Kind kind;
  std::string text;
  int file;
  int line;
};

using Tokens = std::vector<Token>;
using Range = std::pair<std::size_t, std::size_t>;  // [first, last) in a file's tokens

bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Reads the body of a string literal at `at` (just past the opening quote) up to its closing
// quote, with its escapes decoded.
std::string ReadQuoted(const std::string &s, std::size_t &at, int &line) {
  std::string out;
  while (at < s.size() && s[at] != '"') {
    char c = s[at++];
    if (c == '\n') ++line;
    if (c != '\\' || at >= s.size()) {
      out += c;
      continue;
    }
    char e = s[at++];
    switch (e) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'a': out += '\a'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'v': out += '\v'; break;
      case 'x': {
        int value = 0;
        while (at < s.size() && std::isxdigit(static_cast<unsigned char>(s[at]))) {
          value = value * 16 + std::stoi(std::string(1, s[at++]), nullptr, 16);
        }
        out += static_cast<char>(value);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          int value = e - '0';
          for (int n = 0; n < 2 && at < s.size() && s[at] >= '0' && s[at] <= '7'; ++n) {
            value = value * 8 + (s[at++] - '0');
          }
          out += static_cast<char>(value);
        } else {
          out += e;  // \\ \" \' \?
        }
    }
  }
  ++at;  // the closing quote
  return out;
}

// C++ tokens without comments and preprocessor lines; adjacent string literals are joined,
// as the compiler joins them.
Tokens Tokenize(const std::string &s, int file) {
  Tokens tokens;
  std::size_t at = 0;
  int line = 1;
  bool lineStart = true;
  auto add = [&](Kind kind, std::string text, int tokenLine) {
    if (kind == Kind::kString && !tokens.empty() && tokens.back().kind == Kind::kString) {
      tokens.back().text += text;
      return;
    }
    tokens.push_back({kind, std::move(text), file, tokenLine});
  };
  while (at < s.size()) {
    char c = s[at];
    if (c == '\n') {
      ++line;
      ++at;
      lineStart = true;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++at;
      continue;
    }
    if (c == '#' && lineStart) {
      while (at < s.size() && s[at] != '\n') {
        if (s[at] == '\\' && at + 1 < s.size() && s[at + 1] == '\n') {
          ++line;
          ++at;
        }
        ++at;
      }
      continue;
    }
    lineStart = false;
    if (s.compare(at, 2, "//") == 0) {
      at = s.find('\n', at);
      if (at == std::string::npos) at = s.size();
      continue;
    }
    if (s.compare(at, 2, "/*") == 0) {
      std::size_t end = s.find("*/", at + 2);
      end = end == std::string::npos ? s.size() : end + 2;
      line += static_cast<int>(std::count(s.begin() + at, s.begin() + end, '\n'));
      at = end;
      continue;
    }
    int tokenLine = line;
    if (c == '"') {
      ++at;
      add(Kind::kString, ReadQuoted(s, at, line), tokenLine);
      continue;
    }
    if (c == '\'') {
      for (++at; at < s.size() && s[at] != '\''; ++at) {
        if (s[at] == '\\') ++at;
      }
      ++at;
      add(Kind::kOther, "'", tokenLine);
      continue;
    }
    if (IsIdentifierStart(c)) {
      std::size_t start = at;
      while (at < s.size() && IsIdentifierChar(s[at])) ++at;
      std::string word = s.substr(start, at - start);
      // An encoding prefix belongs to the literal after it (raw literals are not used).
      if (at < s.size() && s[at] == '"' &&
          (word == "u8" || word == "u" || word == "U" || word == "L")) {
        ++at;
        add(Kind::kString, ReadQuoted(s, at, line), tokenLine);
      } else {
        add(Kind::kIdentifier, std::move(word), tokenLine);
      }
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t start = at;
      while (at < s.size() && (IsIdentifierChar(s[at]) || s[at] == '.' || s[at] == '\'')) ++at;
      add(Kind::kOther, s.substr(start, at - start), tokenLine);
      continue;
    }
    for (std::string_view pair : {"::", "->", "==", "!=", "+=", "<=", ">=", "&&", "||"}) {
      if (s.compare(at, 2, pair) == 0) {
        add(Kind::kOther, std::string(pair), tokenLine);
        at += 2;
        goto next;
      }
    }
    add(Kind::kOther, std::string(1, c), tokenLine);
    ++at;
  next:;
  }
  return tokens;
}

bool Is(const Token &t, std::string_view text) { return t.kind == Kind::kOther && t.text == text; }

// The index of the bracket that closes the one at `open`, or `end` when there is none.
std::size_t Closing(const Tokens &t, std::size_t open, std::size_t end) {
  const std::string opener = t[open].text;
  const std::string closer = opener == "(" ? ")" : opener == "{" ? "}" : "]";
  int depth = 0;
  for (std::size_t i = open; i < end; ++i) {
    if (Is(t[i], opener)) ++depth;
    if (Is(t[i], closer) && --depth == 0) return i;
  }
  return end;
}

// The comma-separated parts of [first, last), commas inside brackets not counted.
std::vector<Range> SplitAtCommas(const Tokens &t, std::size_t first, std::size_t last) {
  std::vector<Range> parts;
  if (first >= last) return parts;
  int depth = 0;
  std::size_t start = first;
  for (std::size_t i = first; i < last; ++i) {
    if (Is(t[i], "(") || Is(t[i], "{") || Is(t[i], "[")) ++depth;
    if (Is(t[i], ")") || Is(t[i], "}") || Is(t[i], "]")) --depth;
    if (depth == 0 && Is(t[i], ",")) {
      parts.push_back({start, i});
      start = i + 1;
    }
  }
  parts.push_back({start, last});
  return parts;
}

struct Parameter {
  std::string name;
  bool text = false;  // of a type that holds a text
};

struct Function {
  std::string name;
  int file = 0;
  std::vector<Parameter> parameters;
  Range body;
};

struct Call {
  std::string name;
  std::vector<Range> arguments;
};

const std::set<std::string> kNotTypes = {"return", "else", "case", "do", "throw"};
const std::set<std::string> kNotFunctions = {"if",     "for",    "while",    "switch", "catch",
                                             "return", "sizeof", "decltype", "alignof"};

Parameter ReadParameter(const Tokens &t, Range part) {
  Parameter p;
  std::size_t end = part.second;
  for (std::size_t i = part.first; i < part.second; ++i) {
    if (Is(t[i], "=")) end = i;  // a default value
  }
  for (std::size_t i = part.first; i < end; ++i) {
    if (t[i].kind != Kind::kIdentifier) continue;
    if (!p.name.empty()) {
      const std::string &type = p.name;
      p.text = p.text || type == "char" || type.find("string") != std::string::npos ||
               type == "Path" || type.find("Text") != std::string::npos;
    }
    p.name = t[i].text;
  }
  return p;
}

class Scanner {
 public:
  explicit Scanner(const std::vector<SourceFile> &files) : files_(files) {
    for (std::size_t f = 0; f < files.size(); ++f) {
      tokens_.push_back(Tokenize(files[f].content, static_cast<int>(f)));
      FindConstants(static_cast<int>(f));
      FindFunctions(static_cast<int>(f));
    }
  }

  std::vector<SourceText> SettingKeys() const {
    std::vector<SourceText> keys;
    for (const Tokens &t : tokens_) {
      for (const Token &token : t) {
        if (token.kind == Kind::kString && (token.text.rfind("Kestrane.plugin.", 0) == 0 ||
                                            token.text.rfind("Kestrane.update.", 0) == 0)) {
          keys.push_back(Text(token));
        }
      }
    }
    return keys;
  }

  // The literals and named constants in the conditions of the functions called `name`: what
  // they compare their input with.
  std::vector<SourceText> TestedTexts(std::string_view name) const {
    std::vector<SourceText> texts;
    for (const Function &f : functions_) {
      if (f.name != name) continue;
      const Tokens &t = tokens_[f.file];
      for (std::size_t i = f.body.first; i + 1 < f.body.second; ++i) {
        if (t[i].kind != Kind::kIdentifier || t[i].text != "if" || !Is(t[i + 1], "(")) continue;
        for (std::size_t k = i + 2, close = Closing(t, i + 1, f.body.second); k < close; ++k) {
          if (t[k].kind == Kind::kString) texts.push_back(Text(t[k]));
          if (t[k].kind == Kind::kIdentifier) AddConstant(t[k].text, f.file, texts);
        }
      }
    }
    return texts;
  }

  std::vector<SourceText> BoxTexts() {
    // Functions that hand one of their parameters on as a box's text are boxes too.
    sinks_[std::string(kBoxFunction)].insert(kBoxTextArgument);
    for (bool grew = true; grew;) {
      grew = false;
      ForEachSinkArgument([&](const Function &f, Range argument) {
        Resolved r;
        std::set<std::string> seen;
        Resolve(f, argument, r, seen, 0);
        for (std::size_t p : r.parameters) {
          if (f.parameters[p].text && sinks_[f.name].insert(p).second) grew = true;
        }
      });
    }
    std::vector<SourceText> texts;
    ForEachSinkArgument([&](const Function &f, Range argument) {
      Resolved r;
      std::set<std::string> seen;
      Resolve(f, argument, r, seen, 0);
      texts.insert(texts.end(), r.texts.begin(), r.texts.end());
    });
    return texts;
  }

 private:
  struct Resolved {
    std::vector<SourceText> texts;
    std::set<std::size_t> parameters;  // of the function the argument stands in
  };

  SourceText Text(const Token &token) const {
    return {token.text, files_[token.file].path + ":" + std::to_string(token.line)};
  }

  // `Type kName = "text";` or `Type kName{"text"}`, wherever it stands: a declaration, not an
  // assignment to a variable.
  void FindConstants(int file) {
    const Tokens &t = tokens_[file];
    for (std::size_t i = 1; i + 3 < t.size(); ++i) {
      const Token &type = t[i - 1];
      bool declared = (type.kind == Kind::kIdentifier && !kNotTypes.count(type.text)) ||
                      Is(type, "*") || Is(type, "&") || Is(type, ">");
      if (!declared) continue;
      bool assigned = Is(t[i + 1], "=") && t[i + 2].kind == Kind::kString &&
                      (Is(t[i + 3], ";") || Is(t[i + 3], ","));
      bool braced = Is(t[i + 1], "{") && t[i + 2].kind == Kind::kString && Is(t[i + 3], "}");
      if (t[i].kind == Kind::kIdentifier && (assigned || braced)) {
        constants_[t[i].text].push_back({file, i + 2});
      }
    }
  }

  void FindFunctions(int file) {
    const Tokens &t = tokens_[file];
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
      if (t[i].kind != Kind::kIdentifier || !Is(t[i + 1], "(") || kNotFunctions.count(t[i].text)) {
        continue;
      }
      std::size_t close = Closing(t, i + 1, t.size());
      std::size_t k = close + 1;
      while (k < t.size() && t[k].kind == Kind::kIdentifier &&
             (t[k].text == "const" || t[k].text == "override" || t[k].text == "final" ||
              t[k].text == "noexcept")) {
        ++k;
      }
      if (k >= t.size() || !Is(t[k], "{")) continue;
      Function f;
      f.name = t[i].text;
      f.file = file;
      for (Range part : SplitAtCommas(t, i + 2, close))
        f.parameters.push_back(ReadParameter(t, part));
      f.body = {k + 1, Closing(t, k, t.size())};
      functions_.push_back(std::move(f));
    }
  }

  std::vector<Call> CallsIn(const Function &f) const {
    std::vector<Call> calls;
    const Tokens &t = tokens_[f.file];
    for (std::size_t i = f.body.first; i + 1 < f.body.second; ++i) {
      if (t[i].kind != Kind::kIdentifier || !Is(t[i + 1], "(")) continue;
      std::size_t close = Closing(t, i + 1, f.body.second);
      calls.push_back({t[i].text, SplitAtCommas(t, i + 2, close)});
    }
    return calls;
  }

  template <typename Visit>
  void ForEachSinkArgument(Visit visit) {
    for (const Function &f : functions_) {
      for (const Call &call : CallsIn(f)) {
        auto sink = sinks_.find(call.name);
        if (sink == sinks_.end()) continue;
        std::set<std::size_t> indexes = sink->second;  // visit may add to it
        for (std::size_t index : indexes) {
          if (index < call.arguments.size()) visit(f, call.arguments[index]);
        }
      }
    }
  }

  // A constant of the file itself wins over those of the same name elsewhere.
  bool AddConstant(const std::string &name, int file, std::vector<SourceText> &texts) const {
    auto found = constants_.find(name);
    if (found == constants_.end()) return false;
    bool local = std::any_of(found->second.begin(), found->second.end(),
                             [&](const auto &c) { return c.first == file; });
    for (const auto &[f, index] : found->second) {
      if (!local || f == file) texts.push_back(Text(tokens_[f][index]));
    }
    return true;
  }

  // The expressions that give the local `name` of `f` its text: what is formatted, assigned,
  // appended into it, or what it is initialised with.
  std::vector<Range> SourcesOf(const Function &f, const std::string &name) const {
    std::vector<Range> sources;
    const Tokens &t = tokens_[f.file];
    const std::size_t end = f.body.second;
    for (std::size_t i = f.body.first; i + 2 < end; ++i) {
      if (t[i].kind != Kind::kIdentifier || t[i].text != name) continue;
      if (i > 0 && (Is(t[i - 1], ".") || Is(t[i - 1], "->"))) continue;
      const Token &next = t[i + 1];
      if (Is(next, ".") && i + 3 < end && Is(t[i + 3], "(")) {
        const std::string &method = t[i + 2].text;
        std::size_t close = Closing(t, i + 3, end);
        std::vector<Range> arguments = SplitAtCommas(t, i + 4, close);
        if (method == "Format" && !arguments.empty()) sources.push_back(arguments.front());
        if (method == "Assign" || method == "Append" || method == "assign" || method == "append") {
          sources.push_back({i + 4, close});
        }
      } else if (Is(next, "=") || Is(next, "+=")) {
        std::size_t stop = i + 2;
        while (stop < end && !Is(t[stop], ";")) ++stop;
        sources.push_back({i + 2, stop});
      } else if ((Is(next, "{") || Is(next, "(")) && i > 0 &&
                 (t[i - 1].kind == Kind::kIdentifier || Is(t[i - 1], ">"))) {
        sources.push_back({i + 2, Closing(t, i + 1, end)});  // a declaration's initialiser
      }
    }
    return sources;
  }

  void Resolve(const Function &f, Range range, Resolved &r, std::set<std::string> &seen,
               int depth) const {
    const Tokens &t = tokens_[f.file];
    for (std::size_t i = range.first; i < range.second; ++i) {
      const Token &token = t[i];
      if (token.kind == Kind::kString) r.texts.push_back(Text(token));
      if (token.kind != Kind::kIdentifier) continue;
      if (i > range.first && (Is(t[i - 1], ".") || Is(t[i - 1], "->"))) continue;  // a member
      if (AddConstant(token.text, f.file, r.texts)) continue;
      auto parameter = std::find_if(f.parameters.begin(), f.parameters.end(),
                                    [&](const Parameter &p) { return p.name == token.text; });
      if (parameter != f.parameters.end()) {
        r.parameters.insert(static_cast<std::size_t>(parameter - f.parameters.begin()));
        continue;
      }
      if (i + 1 < range.second && Is(t[i + 1], "(")) {
        if (depth < kMaxCallDepth) ResolveReturns(token.text, r, depth + 1);
        continue;
      }
      if (!seen.insert(token.text).second) continue;
      for (Range source : SourcesOf(f, token.text)) Resolve(f, source, r, seen, depth);
    }
  }

  // What the functions called `name` return; their own parameters are not followed.
  void ResolveReturns(const std::string &name, Resolved &r, int depth) const {
    for (const Function &g : functions_) {
      if (g.name != name) continue;
      const Tokens &t = tokens_[g.file];
      for (std::size_t i = g.body.first; i < g.body.second; ++i) {
        if (t[i].kind != Kind::kIdentifier || t[i].text != "return") continue;
        std::size_t stop = i + 1;
        while (stop < g.body.second && !Is(t[stop], ";")) ++stop;
        Resolved returned;
        std::set<std::string> seen;
        Resolve(g, {i + 1, stop}, returned, seen, depth);
        r.texts.insert(r.texts.end(), returned.texts.begin(), returned.texts.end());
      }
    }
  }

  const std::vector<SourceFile> &files_;
  std::vector<Tokens> tokens_;
  std::map<std::string, std::vector<std::pair<int, std::size_t>>> constants_;
  std::vector<Function> functions_;
  std::map<std::string, std::set<std::size_t>> sinks_;
};

}  // namespace

std::vector<SourceFile> ReadSourceTree(const std::string &folder) {
  std::vector<SourceFile> files;
  for (const auto &entry : fs::recursive_directory_iterator(folder)) {
    std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    files.push_back({fs::relative(entry.path(), fs::path(folder).parent_path()).generic_string(),
                     content.str()});
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile &a, const SourceFile &b) { return a.path < b.path; });
  return files;
}

Findings ScanSources(const std::vector<SourceFile> &files, std::string_view dispatcher,
                     std::string_view broamHandler) {
  Scanner scanner(files);
  Findings findings;
  findings.settingKeys = scanner.SettingKeys();
  findings.commandNames = scanner.TestedTexts(dispatcher);
  findings.broams = scanner.TestedTexts(broamHandler);
  findings.boxTexts = scanner.BoxTexts();
  return findings;
}

}  // namespace kestrane::readme
