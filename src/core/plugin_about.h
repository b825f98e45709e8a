// What the managed plug-ins say about themselves: the About Plugins box, a plug-in's bro@ms.
#pragma once

#include <string_view>

namespace kestrane {

struct Manager;

void ShowAboutPlugins(Manager &manager);
void ShowPluginBroams(Manager &manager, int slot);
// Sends `text` (what follows the command word SendPluginBroam), trimmed, to the shell as a bro@m.
void SendPluginBroamCommand(Manager &manager, std::string_view text);

}  // namespace kestrane
