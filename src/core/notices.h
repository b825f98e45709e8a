// Message boxes for the user: no owner, Kestrane's caption, top-most.
#pragma once

namespace kestrane {

struct Manager;

constexpr const char *kCaption = "Kestrane 0.7b";

void ShowError(Manager &manager, const char *text);

}  // namespace kestrane
