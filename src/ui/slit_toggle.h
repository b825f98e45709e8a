#pragma once

namespace kestrane {

struct Manager;

// Docks the button in the Slit or releases it; without a Slit nothing changes.
void ToggleSlit(Manager &manager);

// Has the Slit let the button go, puts it back at its saved place and clears inSlit in
// memory; storing the setting is the caller's business.
void ReleaseFromSlit(Manager &manager);

}  // namespace kestrane
