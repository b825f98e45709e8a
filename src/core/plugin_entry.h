// One managed plug-in and the fixed table of them, addressed by stable slot numbers.
#pragma once

#include <atomic>

#include "core/bounded_text.h"
#include "platform/handles.h"
#include "platform/libraries.h"

namespace kestrane {

constexpr int kMaxPlugins = 100;
constexpr std::size_t kBroamListCapacity = 1000;
using BroamList = BoundedText<kBroamListCapacity>;

struct PluginEntry {
  Path path;         // absolute, lower-cased
  Path name;         // file name after linking; pluginInfo(1) after each start
  Path updateUrl;    // empty when the default update site covers it
  BroamList broams;  // "@text\n" per bro@m
  ModuleHandle module = kNoModule;
  EntryPoint beginSlitPlugin = kNoEntry;
  EntryPoint beginPluginEx = kNoEntry;
  EntryPoint beginPlugin = kNoEntry;
  EntryPoint endPlugin = kNoEntry;
  EntryPoint pluginInfo = kNoEntry;
  bool running = false;
  bool inUse = false;
  std::atomic<bool> updateAvailable{false};  // written by the update check's thread
  bool slitOnly = false;                     // exports beginSlitPlugin but not beginPluginEx
  bool wantsSlit = false;                    // "&" on its line
  bool enabled = false;                      // no "!" on its line
  bool faulted = false;  // raised an exception in an entry point since it was last linked
};

struct PluginTable {
  PluginEntry slots[kMaxPlugins];
};

inline bool ValidSlot(int index) { return index >= 0 && index < kMaxPlugins; }

}  // namespace kestrane
