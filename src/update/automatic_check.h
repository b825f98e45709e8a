// Automatic update checks. A timer on Kestrane's window looks at most once an hour, the first
// time 15 s after start-up, whether the days the user chose have passed since the last check
// that reached a site; if so it runs the update check without its status text and count box.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/kernel.h"

namespace kestrane {

struct Manager;

constexpr unsigned kAutomaticCheckTimer = 0x4B55;  // the timer's id on Kestrane's window
constexpr unsigned kFirstLookMs = 15 * 1000;
constexpr unsigned kLookEveryMs = 60 * 60 * 1000;

// Window thread only.
struct AutomaticCheck {
  bool armed = false;
  unsigned armedAt = 0;       // the tick count when the timer was set
  unsigned periodMs = 0;      // the timer's period
  bool running = false;       // the check under way is an automatic one
  bool manualWanted = false;  // "Check For Updates" was picked while it ran
};

// At start-up and reconfigure: the first look 15 s from now while checks are on; no timer
// while they are off.
void ScheduleAutomaticChecks(Manager &manager);
// WM_TIMER. Any program can post it: only a tick of our own timer, once it is due, looks.
void OnCheckTimer(Manager &manager, std::uintptr_t id);
// Whether `days` have passed at `now` since `lastCheck`; none, a text that is no such time,
// and a time later than now (a clock set back) count as passed.
bool CheckIsDue(std::string_view lastCheck, const UtcTime &now, int days);
// Stores now as the time of the last check: after a check, manual or automatic, that reached
// at least one site.
void NoteLastCheck(Manager &manager);
// "Check For Updates" while a check runs. An automatic one answers nobody, so the manual one
// runs once it has ended.
void WantManualCheck(Manager &manager);
// Given back by the automatic check's worker.
void EndAutomaticCheck(Manager &manager);

}  // namespace kestrane
