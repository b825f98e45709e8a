// Loading plug-in libraries and calling their five entry points.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/text_coding.h"
#include "platform/fault.h"
#include "platform/handles.h"

namespace kestrane {

// An exported function, opaque to the core; called only through Libraries.
enum class EntryPoint : std::uintptr_t {};
constexpr EntryPoint kNoEntry{};

enum class DataResource { kFound, kMissing, kUnreadable };

class Libraries {
 public:
  virtual ~Libraries() = default;

  virtual ModuleHandle Load(const char *path) = 0;
  virtual EntryPoint Resolve(ModuleHandle module, const char *name) = 0;
  virtual void Free(ModuleHandle module) = 0;

  // Every call into a library runs behind an exception guard: an exception raised below it
  // abandons the call and comes back as the Fault (raised in this library or in any other code
  // the call reached: the core finds out whose by the address). Only errors are caught: a
  // warning or a guard page's notice passes on, as no guard were there. The results of the
  // begin functions and of endPlugin mean nothing, so none is passed on.
  virtual Fault CallBegin(EntryPoint beginPlugin, ModuleHandle module) = 0;
  virtual Fault CallBeginSlit(EntryPoint begin, ModuleHandle module, WindowHandle slit) = 0;
  virtual Fault CallEnd(EntryPoint endPlugin, ModuleHandle module) = 0;
  // pluginInfo(code), its answer copied into `answer` under the same guard (a bad pointer
  // faults there, not in Kestrane): cut to `capacity` less one, always zero-terminated, empty
  // for a null answer.
  virtual Fault CallInfo(EntryPoint pluginInfo, int code, char *answer, std::size_t capacity) = 0;
  // The same copy for a text behind any pointer Kestrane cannot vouch for. Memory that cannot
  // be read, or a guard page (touching one would disarm it), is not read at all: it comes back
  // as an access violation at its address.
  virtual Fault CopyText(const char *text, char *buffer, std::size_t capacity) = 0;
  // Any other code behind the same guard: call(context), for Kestrane's own steps that reach
  // code it cannot vouch for (a bro@m sent through the shell reaches plug-ins' windows).
  virtual Fault RunGuarded(void (*call)(void *context), void *context) = 0;
  // True when `address` lies inside the module's image; `offset` is then from its start.
  virtual bool OffsetInModule(ModuleHandle module, std::uintptr_t address,
                              std::uintptr_t &offset) = 0;

  // The raw-data resource `name` of the library file at `path`, read as a data file: none of
  // its code runs. Copies at most `capacity` bytes; `size` is the resource's whole size.
  // kUnreadable: the file cannot be read that way.
  virtual DataResource ReadDataResource(FilePath path, const char *name, char *content,
                                        std::size_t capacity, std::size_t &size) = 0;
};

// The guarded copy into a bounded text.
template <typename Text>
Fault CopyUntrustedText(Libraries &libraries, const char *text, Text &into) {
  Fault fault = libraries.CopyText(text, into.Buffer(), Text::kCapacity);
  into.Resync();
  return fault;
}

template <typename Text>
Fault AskPluginInfo(Libraries &libraries, EntryPoint pluginInfo, int code, Text &answer) {
  Fault fault = libraries.CallInfo(pluginInfo, code, answer.Buffer(), Text::kCapacity);
  answer.Resync();
  return fault;
}

}  // namespace kestrane
