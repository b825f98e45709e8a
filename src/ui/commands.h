// The "@KestraneInternal" commands: the one table every menu item and peer relies on.
#pragma once

#include <optional>
#include <string_view>

namespace kestrane {

struct Manager;

// Carries out a command text (what follows "@KestraneInternal" and its blanks).
void CarryOutCommand(Manager &manager, std::string_view command);

// The number after the first space of a command, read as atoi reads it; none without a space.
std::optional<int> CommandIndex(std::string_view command);

// 10901: the shell's show and hide bro@ms and Kestrane's own commands.
void HandleBroam(Manager &manager, const char *broam);

// 10103: everything stopped, settings and style re-read, everything started again.
void Reconfigure(Manager &manager);

}  // namespace kestrane
