#include "portable/script_source.h"

#include <string>

namespace corvane {

bool IsQueuedAnswer(const ScriptCommand &command) {
  return command.verb == ScriptVerb::kAnswer || command.verb == ScriptVerb::kHold ||
         command.verb == ScriptVerb::kDialogOpen || command.verb == ScriptVerb::kDialogFolder;
}

bool IsPrelude(const ScriptCommand &command) {
  return IsQueuedAnswer(command) || command.verb == ScriptVerb::kRun ||
         command.verb == ScriptVerb::kAwait;
}

std::optional<ScriptLine> ScriptSource::Next() {
  if (held_) {
    auto line = std::move(held_);
    held_.reset();
    return line;
  }
  std::string text;
  while (in_ && std::getline(*in_, text)) {
    ++lineNumber_;
    ScriptLine line = ParseScriptLine(text);
    if (line.kind != ScriptLine::Kind::kSkip) return line;
  }
  return std::nullopt;
}

std::vector<ScriptCommand> ScriptSource::TakePrelude() {
  std::vector<ScriptCommand> prelude;
  while (auto line = Next()) {
    if (line->kind != ScriptLine::Kind::kCommand || !IsPrelude(line->command)) {
      held_ = std::move(line);
      break;
    }
    prelude.push_back(line->command);
  }
  return prelude;
}

}  // namespace corvane
