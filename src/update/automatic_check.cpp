#include "update/automatic_check.h"

#include "core/manager.h"
#include "update/update_check.h"
#include "update/update_commands.h"
#include "update/update_worker.h"

namespace kestrane {

namespace {

// A tick may come a little before the tick count says it is due.
constexpr unsigned kTimerSlackMs = 1000;
constexpr long long kMinutesPerDay = 24LL * 60;

// Days since 1970-01-01 of a date of the Gregorian calendar.
long long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const int yearOfEra = year - era * 400;
  const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<long long>(era) * 146097 + dayOfEra - 719468;
}

long long MinutesOf(const UtcTime &t) {
  return DaysFromCivil(t.year, t.month, t.day) * kMinutesPerDay + t.hour * 60LL + t.minute;
}

// `count` digits of `text` from `at`; -1 when any is not a digit.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "YYYY-MM-DD HH:MM", as NoteLastCheck writes it.
bool ReadCheckTime(std::string_view text, UtcTime &t) {
  if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':') {
    return false;
  }
  t = {Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), Digits(text, 11, 2),
       Digits(text, 14, 2)};
  return t.year >= 0 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 &&
         t.hour < 24 && t.minute >= 0 && t.minute < 60;
}

void Arm(Manager &m, unsigned periodMs) {
  AutomaticCheck &a = m.automaticCheck;
  a.armed = m.ports.desktop.StartTimer(m.managerWindow.load(), kAutomaticCheckTimer, periodMs);
  a.armedAt = m.ports.kernel.TickCount();
  a.periodMs = periodMs;
}

}  // namespace

void ScheduleAutomaticChecks(Manager &m) {
  WindowHandle window = m.managerWindow.load();
  if (window == kNoWindow) return;
  if (m.settings.checkEveryDays > 0) {
    Arm(m, kFirstLookMs);
  } else if (m.automaticCheck.armed) {
    m.ports.desktop.StopTimer(window, kAutomaticCheckTimer);
    m.automaticCheck.armed = false;
  }
}

void OnCheckTimer(Manager &m, std::uintptr_t id) {
  AutomaticCheck &a = m.automaticCheck;
  if (id != kAutomaticCheckTimer || !a.armed) return;
  if (m.ports.kernel.TickCount() - a.armedAt + kTimerSlackMs < a.periodMs) return;
  Arm(m, kLookEveryMs);
  // Skipped, not queued: the next look is an hour away.
  if (m.busyIndex.load() != -1 || m.updates.checkRunning.load()) return;
  if (!CheckIsDue(m.settings.lastCheck.view(), m.ports.kernel.UtcNow(),
                  m.settings.checkEveryDays)) {
    return;
  }
  m.updates.checkRunning = true;
  a.running = StartUpdateWorker(m, AutomaticUpdateCheckWorker);
  if (!a.running) m.updates.checkRunning = false;
}

bool CheckIsDue(std::string_view lastCheck, const UtcTime &now, int days) {
  UtcTime last;
  if (!ReadCheckTime(lastCheck, last)) return true;
  const long long passed = MinutesOf(now) - MinutesOf(last);
  return passed < 0 || passed >= days * kMinutesPerDay;
}

void NoteLastCheck(Manager &m) {
  const UtcTime t = m.ports.kernel.UtcNow();
  m.settings.lastCheck.Format("%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  m.ports.shell.WriteString(m.configFile.c_str(), key::kLastCheck, m.settings.lastCheck.c_str());
}

void WantManualCheck(Manager &m) {
  if (m.automaticCheck.running) m.automaticCheck.manualWanted = true;
}

void EndAutomaticCheck(Manager &m) {
  AutomaticCheck &a = m.automaticCheck;
  m.updates.checkRunning = false;
  a.running = false;
  if (a.manualWanted) {
    a.manualWanted = false;
    CheckForUpdates(m);
  }
}

}  // namespace kestrane
