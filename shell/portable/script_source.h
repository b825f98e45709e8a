// Reads a session script line by line, so a script on standard input can still be arriving.
#pragma once

#include <istream>
#include <optional>
#include <vector>

#include "portable/script_line.h"

namespace corvane {

class ScriptSource {
 public:
  explicit ScriptSource(std::istream *in) : in_(in) {}

  // The answer, dialog, run and await lines at the top of the script: the shell carries them
  // out before the plug-in starts (answers for boxes it shows while starting, programs whose
  // windows must be there already).
  std::vector<ScriptCommand> TakePrelude();

  // The next command or error (skipping blank and comment lines); nullopt at the end.
  std::optional<ScriptLine> Next();

  int LineNumber() const { return lineNumber_; }

 private:
  std::istream *in_;
  std::optional<ScriptLine> held_;
  int lineNumber_ = 0;
};

bool IsQueuedAnswer(const ScriptCommand &command);
bool IsPrelude(const ScriptCommand &command);

}  // namespace corvane
