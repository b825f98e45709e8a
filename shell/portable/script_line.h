// One line of a session script, checked and split into its arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "portable/message_box_answers.h"

namespace corvane {

enum class ScriptVerb {
  kBroam,
  kReconfigure,
  kWait,
  kRclick,
  kPick,
  kAnswer,
  kHold,
  kWaitFor,
  kDialogOpen,
  kDialogFolder,
  kWindow,
  kMove,
  kSend,
  kScreenshot,
  kRun,
  kTell,
  kAwait,
  kRestart,
  kMemory,
  kEnd
};

struct ScriptCommand {
  ScriptVerb verb = ScriptVerb::kEnd;
  std::string target;                // window class
  std::string text;                  // bro@m, menu command, path, file, command line or line
  std::optional<std::string> value;  // pick: the integer item's value
  Answer answer = Answer::kOk;
  long long numbers[3] = {0, 0, 0};  // wait, waitfor: ms; move: x y; send: msg wparam lparam
};

struct ScriptLine {
  enum class Kind { kCommand, kSkip, kError };
  Kind kind = Kind::kSkip;
  ScriptCommand command;
  std::string error;
};

ScriptLine ParseScriptLine(std::string_view line);

// Decimal with an optional minus sign, or 0x hexadecimal.
std::optional<long long> ParseNumber(std::string_view text);

}  // namespace corvane
