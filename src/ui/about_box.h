#pragma once

namespace kestrane {

struct Manager;

void ShowAboutBox(Manager &manager);

}  // namespace kestrane
