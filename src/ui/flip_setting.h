// Every boolean setting a command changes goes through these: flipped (or not), announced to
// the shell, stored, applied to the window and shown in a rebuilt menu.
#pragma once

#include <string_view>

namespace kestrane {

struct Manager;

void FlipSetting(Manager &manager, bool &flag, std::string_view command, const char *key);
void AnnounceSetting(Manager &manager, bool flag, std::string_view command, const char *key);

}  // namespace kestrane
