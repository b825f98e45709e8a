#include "win32/shell_state.h"

namespace corvane::win32 {

ShellState &Shell() {
  static ShellState state;
  return state;
}

}  // namespace corvane::win32
