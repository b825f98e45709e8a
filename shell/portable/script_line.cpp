#include "portable/script_line.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace corvane {

namespace {

// Splits off at most `count` arguments at single blanks; the last one keeps the rest.
std::vector<std::string> Split(std::string_view rest, size_t count) {
  std::vector<std::string> args;
  while (!rest.empty() && args.size() + 1 < count) {
    const size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) break;
    args.emplace_back(rest.substr(0, blank));
    rest.remove_prefix(blank + 1);
  }
  if (!rest.empty()) args.emplace_back(rest);
  return args;
}

ScriptLine Error(std::string message) {
  ScriptLine line;
  line.kind = ScriptLine::Kind::kError;
  line.error = std::move(message);
  return line;
}

ScriptLine Command(ScriptCommand command) {
  ScriptLine line;
  line.kind = ScriptLine::Kind::kCommand;
  line.command = std::move(command);
  return line;
}

bool Numbers(const std::vector<std::string> &args, size_t first, ScriptCommand &command) {
  for (size_t i = first; i < args.size(); ++i) {
    const auto number = ParseNumber(args[i]);
    if (!number) return false;
    command.numbers[i - first] = *number;
  }
  return true;
}

}  // namespace

std::optional<long long> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  bool negative = false;
  if (text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    const bool digit = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                                  : std::isdigit(static_cast<unsigned char>(c)) != 0;
    if (!digit) return std::nullopt;
  }
  const std::string digits(text);
  errno = 0;
  const unsigned long long magnitude = std::strtoull(digits.c_str(), nullptr, base);
  if (errno == ERANGE) return std::nullopt;
  // 0xFFFFFFFF and friends are wanted as bit patterns, so wrap rather than refuse.
  const auto value = static_cast<long long>(magnitude);
  return negative ? -value : value;
}

ScriptLine ParseScriptLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  size_t start = 0;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  if (start == line.size() || line[start] == '#') return ScriptLine{};
  line.remove_prefix(start);

  const size_t blank = line.find(' ');
  const std::string verb(line.substr(0, blank));
  const std::string_view rest =
      blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);

  ScriptCommand command;
  if (verb == "broam") {
    if (rest.empty()) return Error("broam needs a text");
    command.verb = ScriptVerb::kBroam;
    command.text = std::string(rest);
  } else if (verb == "reconfigure" || verb == "restart" || verb == "memory" || verb == "end") {
    if (!rest.empty()) return Error(verb + " takes no argument");
    command.verb = verb == "end"       ? ScriptVerb::kEnd
                   : verb == "restart" ? ScriptVerb::kRestart
                   : verb == "memory"  ? ScriptVerb::kMemory
                                       : ScriptVerb::kReconfigure;
  } else if (verb == "wait") {
    const auto ms = ParseNumber(rest);
    if (!ms || *ms < 0) return Error("wait needs a number of milliseconds");
    command.verb = ScriptVerb::kWait;
    command.numbers[0] = *ms;
  } else if (verb == "rclick" || verb == "window") {
    if (rest.empty() || rest.find(' ') != std::string_view::npos) {
      return Error(verb + " needs one window class");
    }
    command.verb = verb == "rclick" ? ScriptVerb::kRclick : ScriptVerb::kWindow;
    command.target = std::string(rest);
  } else if (verb == "pick") {
    if (rest.empty()) return Error("pick needs a menu command");
    command.verb = ScriptVerb::kPick;
    command.text = std::string(rest);
    // A trailing number is the value for an integer item; commands may contain blanks.
    const size_t last = rest.rfind(' ');
    if (last != std::string_view::npos && last > 0 && ParseNumber(rest.substr(last + 1))) {
      command.text = std::string(rest.substr(0, last));
      command.value = std::string(rest.substr(last + 1));
    }
  } else if (verb == "answer") {
    const auto answer = ParseAnswer(rest);
    if (!answer) return Error("answer needs yes, no, ok, cancel, abort, retry or ignore");
    command.verb = ScriptVerb::kAnswer;
    command.answer = *answer;
  } else if (verb == "hold") {
    if (!rest.empty()) return Error("hold takes no argument");
    command.verb = ScriptVerb::kHold;
  } else if (verb == "waitfor") {
    const auto args = Split(rest, 2);
    command.verb = ScriptVerb::kWaitFor;
    if (args.size() != 2 || !Numbers({args[0]}, 0, command) || command.numbers[0] < 0) {
      return Error("waitfor needs MS TEXT");
    }
    command.text = args[1];
  } else if (verb == "dialog") {
    const auto args = Split(rest, 2);
    if (args.size() != 2 || (args[0] != "open" && args[0] != "folder")) {
      return Error("dialog needs open or folder and a path");
    }
    command.verb = args[0] == "open" ? ScriptVerb::kDialogOpen : ScriptVerb::kDialogFolder;
    command.text = args[1];
  } else if (verb == "move") {
    const auto args = Split(rest, 3);
    command.verb = ScriptVerb::kMove;
    if (args.size() != 3 || !Numbers(args, 1, command)) return Error("move needs CLASS X Y");
    command.target = args[0];
  } else if (verb == "send") {
    const auto args = Split(rest, 4);
    command.verb = ScriptVerb::kSend;
    if (args.size() != 4 || !Numbers(args, 1, command)) {
      return Error("send needs CLASS MSG WPARAM LPARAM");
    }
    command.target = args[0];
  } else if (verb == "screenshot") {
    const auto args = Split(rest, 2);
    if (args.size() != 2) return Error("screenshot needs CLASS FILE");
    command.verb = ScriptVerb::kScreenshot;
    command.target = args[0];
    command.text = args[1];
  } else if (verb == "run" || verb == "await") {
    if (rest.empty())
      return Error(verb + (verb == "run" ? " needs a command line" : " needs a text"));
    command.verb = verb == "run" ? ScriptVerb::kRun : ScriptVerb::kAwait;
    command.text = std::string(rest);
  } else if (verb == "tell") {
    const auto args = Split(rest, 2);
    if (args.size() != 2) return Error("tell needs CLASS TEXT");
    command.verb = ScriptVerb::kTell;
    command.target = args[0];
    command.text = args[1];
  } else {
    return Error("unknown command " + verb);
  }
  return Command(std::move(command));
}

}  // namespace corvane
