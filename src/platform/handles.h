// Opaque handles that cross the ports. The core never looks inside them; the Win32 adapters
// convert them to and from the real handle types.
#pragma once

#include <cstdint>

namespace kestrane {

enum class WindowHandle : std::uintptr_t {};
enum class ModuleHandle : std::uintptr_t {};

enum class DeviceContext : std::uintptr_t {};
enum class MenuHandle : std::uintptr_t {};
enum class HookHandle : std::uintptr_t {};  // a system hook the Desktop adapter holds

constexpr WindowHandle kNoWindow{};
constexpr ModuleHandle kNoModule{};
constexpr HookHandle kNoHook{};

}  // namespace kestrane
