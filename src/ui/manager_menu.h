#pragma once

namespace kestrane {

struct Manager;

// Builds the whole menu tree from the current state and has the shell show it. `popup` is
// true for a right click, false for a rebuild after a setting changed.
void BuildManagerMenu(Manager &manager, bool popup);

}  // namespace kestrane
