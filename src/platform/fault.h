// What an exception guard reports when the code it ran raised an exception instead of
// returning: which one and where. What that means is the core's to decide.
#pragma once

#include <cstdint>

namespace kestrane {

struct Fault {
  bool raised = false;
  std::uint32_t code = 0;
  std::uintptr_t address = 0;
};

// Exception codes with a name of their own, as the system raises them.
namespace exception {
constexpr std::uint32_t kAccessViolation = 0xC0000005;
}  // namespace exception

}  // namespace kestrane
