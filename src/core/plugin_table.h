// The managed plug-ins: linking, starting, stopping and switching them.
#pragma once

#include <string_view>

#include "core/plugin_entry.h"

namespace kestrane {

struct Manager;

constexpr const char *kLinkErrorCaption = "Kestrane - LINK ERROR!";

// Loads the library into the slot; true when it has both required entry points.
bool LinkPlugin(Manager &manager, std::string_view path, int slot);
// The message LinkPlugin shows for a library that cannot be loaded.
void ShowCannotLink(Manager &manager, const Path &path);
// The slot holds the library at `path` (absolute, lower-cased) without loading it: it shows
// as stopped, and starting it links it.
void PlacePluginUnlinked(Manager &manager, std::string_view path, int slot);
// The entry still holds the plug-in at `path`. A step that opened a box or handed the table to
// the window thread asks this before it goes on: commands run meanwhile and may remove the
// plug-in, even put another in its slot.
bool HoldsPlugin(const PluginEntry &entry, std::string_view path);
void StartPlugin(Manager &manager, int slot);
void StopPlugin(Manager &manager, int slot);
void RefreshPluginInfo(Manager &manager, int slot);
BroamList BroamListFromInfo(const char *text);

void StartAllPlugins(Manager &manager);
void StopAllPlugins(Manager &manager);
// Unloads libraries that were linked but never started, so nothing stays loaded at shut-down.
void UnloadIdlePlugins(Manager &manager);

// Every slot as at load, without unloading anything (a begin after an end: the libraries the
// last session kept were faulted ones, which stay loaded on purpose).
void ForgetPluginTable(PluginTable &table);

void TogglePluginEntry(Manager &manager, int index);
void ToggleSlitAidEntry(Manager &manager, int index);

}  // namespace kestrane
