// Opaque handles that cross the ports. The core never looks inside them; the Win32 adapters
// convert them to and from the real handle types.
#pragma once

#include <cstdint>

namespace kestrane {

enum class WindowHandle : std::uintptr_t {};
enum class ModuleHandle : std::uintptr_t {};

enum class DeviceContext : std::uintptr_t {};
enum class MenuHandle : std::uintptr_t {};

constexpr WindowHandle kNoWindow{};
constexpr ModuleHandle kNoModule{};

}  // namespace kestrane
