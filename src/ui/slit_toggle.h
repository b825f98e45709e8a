#pragma once

namespace kestrane {

struct Manager;

// Docks the button in the Slit or releases it; without a Slit nothing changes.
void ToggleSlit(Manager &manager);

}  // namespace kestrane
