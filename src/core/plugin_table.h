// The managed plug-ins: linking the list file's libraries, starting and stopping them.
#pragma once

namespace kestrane {

struct Manager;

void ReadPluginList(Manager &manager);  // links every listed library; starts none
void StartAllPlugins(Manager &manager);
void StopAllPlugins(Manager &manager);

}  // namespace kestrane
