// The menu clipper: the shell hides its menus when a program from outside its folder comes
// to the front.
#pragma once

#include <string_view>

namespace kestrane {

struct Manager;

// Installs the clipper's foreground hook unless it is installed already.
void StartMenuClipper(Manager &manager);
void StopMenuClipper(Manager &manager);
bool MenuClipperRunning(const Manager &manager);
// The MenuClipperEnabled command: flips the setting, then installs or removes the hook.
void ToggleMenuClipper(Manager &manager, std::string_view command);

// Whether the executable's full path, in any case, holds the shell's folder.
bool IsUnderHostFolder(const Manager &manager, std::string_view executable);

}  // namespace kestrane
