#include "win32/dialog_watcher.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/handles.h"
#include "win32/message_box_hook.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

namespace corvane::win32 {

namespace {

constexpr DWORD kPollMs = 30;
constexpr ULONGLONG kSettleMs = 60;   // let a dialog finish initialising before typing into it
constexpr ULONGLONG kStuckMs = 3000;  // an answered dialog still open this long gets closed
constexpr int kFileNameCombo = 1148;  // cmb13
constexpr int kFileNameEdit = 1152;   // edt1, the old-style dialog
constexpr int kMessageText = 0xFFFF;
constexpr UINT kSetSelection = WM_USER + 102;  // BFFM_SETSELECTIONA
constexpr int kSelectAttempts = 60;

struct Queues {
  CriticalSection guard;
  std::deque<Answer> answers;
  std::deque<std::string> openFiles;
  std::deque<std::string> folders;
  int holds = 0;  // message boxes still to hold
  bool released = false;
};

Queues &TheQueues() {
  static Queues queues;
  return queues;
}

template <typename T>
std::optional<T> Pop(std::deque<T> &queue) {
  Lock lock(TheQueues().guard);
  if (queue.empty()) return std::nullopt;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

struct Seen {
  ULONGLONG firstVisible = 0;
  ULONGLONG answered = 0;  // 0: not yet
  bool closed = false;
  bool held = false;
};

struct Watcher {
  UniqueHandle stop;
  UniqueHandle thread;
  std::map<HWND, Seen> seen;  // the watcher thread's alone
};

Watcher &TheWatcher() {
  static Watcher watcher;
  return watcher;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && ClassOf(window) == "#32770") {
    reinterpret_cast<std::vector<HWND> *>(found)->push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK FindTree(HWND window, LPARAM found) {
  if (ClassOf(window) == "SysTreeView32") {
    *reinterpret_cast<HWND *>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND TreeOf(HWND dialog) {
  HWND found = nullptr;
  EnumChildWindows(dialog, FindTree, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool HasTree(HWND dialog) { return TreeOf(dialog) != nullptr; }

// The text of the tree's selected item: the folder the browser would give.
std::string SelectedFolder(HWND tree) {
  DWORD_PTR item = 0;
  if (!SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_ABORTIFHUNG, 2000, &item) ||
      item == 0) {
    return "";
  }
  char text[MAX_PATH] = {};
  TVITEMA request{};
  request.mask = TVIF_TEXT;
  request.hItem = reinterpret_cast<HTREEITEM>(item);
  request.pszText = text;
  request.cchTextMax = sizeof text;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG,
                      2000, &ignored);
  return text;
}

bool SameName(const std::string &a, const std::string &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

HWND FileNameEdit(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) {
    if (ClassOf(combo) == "ComboBoxEx32") {
      if (HWND inner = FindWindowExA(combo, nullptr, "ComboBox", nullptr)) {
        if (HWND edit = FindWindowExA(inner, nullptr, "Edit", nullptr)) return edit;
      }
    }
    if (HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr)) return edit;
  }
  return GetDlgItem(dialog, kFileNameEdit);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<Answer> VisibleButtons(HWND dialog) {
  std::vector<std::pair<LONG, Answer>> found;
  for (Answer answer : AllAnswers()) {
    HWND button = GetDlgItem(dialog, static_cast<int>(answer));
    // Wine's box has every button and hides the unused ones.
    if (!button || !(GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT rect{};
    GetWindowRect(button, &rect);
    found.emplace_back(rect.left, answer);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<Answer> buttons;
  for (const auto &entry : found) buttons.push_back(entry.second);
  return buttons;
}

void AnswerMessageBox(HWND dialog) {
  const std::string caption = TextOf(dialog);
  HWND textControl = GetDlgItem(dialog, kMessageText);
  const std::string text = textControl ? TextOf(textControl) : std::string();
  const std::vector<Answer> buttons = VisibleButtons(dialog);
  const std::optional<Answer> queued = Pop(TheQueues().answers);
  const ButtonChoice choice = ChooseButton(queued, buttons);

  const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
  const std::optional<HookedBox> hooked = ClaimHookedBox(thread, text);
  std::string line = "msgbox owner=";
  if (hooked) {
    line += WindowName(hooked->owner) + " caption=" + Quote(caption) +
            Format(" style=0x%08X", hooked->style);
  } else {
    // Shown by a module whose imports were not patched: only what the dialog shows.
    line += WindowName(GetWindow(dialog, GW_OWNER)) + " caption=" + Quote(caption) +
            " style=? buttons=" + ButtonNames(buttons);
  }
  line += " text=" + Quote(text) + " -> " + AnswerName(choice.pressed);
  if (!choice.honoured) line += Format(" (queued %s: no such button)", AnswerName(*queued));
  Record(line);
  Press(dialog, static_cast<int>(choice.pressed));
}

void AnswerOpenFile(HWND dialog) {
  const std::optional<std::string> path = Pop(TheQueues().openFiles);
  if (!path) {
    Record("dialog open cancel");
    Press(dialog, IDCANCEL);
    return;
  }
  HWND edit = FileNameEdit(dialog);
  if (!edit) {
    Record("dialog open " + Quote(*path) + " -> no file name box, cancel");
    Press(dialog, IDCANCEL);
    return;
  }
  Record("dialog open " + Quote(*path));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path->c_str()),
                      SMTO_ABORTIFHUNG, 2000, &ignored);
  Press(dialog, IDOK);
}

void AnswerFolder(HWND dialog) {
  const std::optional<std::string> path = Pop(TheQueues().folders);
  if (!path) {
    Record("dialog folder cancel");
    Press(dialog, IDCANCEL);
    return;
  }
  Record("dialog folder " + Quote(*path));
  // The browser drops a selection that comes before its tree is filled: sent again until the
  // tree shows the folder.
  std::string last = path->substr(path->find_last_of("\\/") + 1);
  HWND tree = TreeOf(dialog);
  for (int attempt = 0; attempt < kSelectAttempts; ++attempt) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(dialog, kSetSelection, TRUE, reinterpret_cast<LPARAM>(path->c_str()),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
    if (tree == nullptr || last.empty() || SameName(SelectedFolder(tree), last)) break;
    Sleep(kPollMs);
  }
  Press(dialog, IDOK);
}

bool IsMessageBox(HWND dialog) {
  return !HasTree(dialog) && !GetDlgItem(dialog, kFileNameCombo) &&
         !GetDlgItem(dialog, kFileNameEdit);
}

// True while the box must stay open: the first time a box is seen it may take a hold.
bool Holding(HWND dialog, Seen &state) {
  Lock lock(TheQueues().guard);
  if (!state.held) {
    if (TheQueues().holds == 0 || !IsMessageBox(dialog)) return false;
    --TheQueues().holds;
    state.held = true;
    HWND textControl = GetDlgItem(dialog, kMessageText);
    Record("msgbox held text=" + Quote(textControl ? TextOf(textControl) : std::string()));
  }
  return !TheQueues().released;
}

void AnswerDialog(HWND dialog) {
  if (HasTree(dialog)) {
    AnswerFolder(dialog);
  } else if (GetDlgItem(dialog, kFileNameCombo) || GetDlgItem(dialog, kFileNameEdit)) {
    AnswerOpenFile(dialog);
  } else {
    AnswerMessageBox(dialog);
  }
}

void Scan() {
  std::vector<HWND> dialogs;
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  auto &seen = TheWatcher().seen;
  for (auto it = seen.begin(); it != seen.end();) {
    it = std::find(dialogs.begin(), dialogs.end(), it->first) == dialogs.end() ? seen.erase(it)
                                                                               : std::next(it);
  }
  const ULONGLONG now = GetTickCount64();
  for (HWND dialog : dialogs) {
    Seen &state = seen[dialog];
    if (state.firstVisible == 0) state.firstVisible = now;
    if (state.answered == 0) {
      if (now - state.firstVisible < kSettleMs || Holding(dialog, state)) continue;
      state.answered = now;
      AnswerDialog(dialog);
    } else if (!state.closed && now - state.answered > kStuckMs) {
      // E.g. a file dialog that refused the path: never let it hold the session.
      state.closed = true;
      Record("dialog stuck caption=" + Quote(TextOf(dialog)) + " -> close");
      Press(dialog, IDCANCEL);
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
  }
}

DWORD WINAPI WatchDialogs(LPVOID) {
  while (WaitForSingleObject(TheWatcher().stop.get(), kPollMs) == WAIT_TIMEOUT) Scan();
  return 0;
}

}  // namespace

bool StartDialogWatcher() {
  Watcher &watcher = TheWatcher();
  watcher.stop = UniqueHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!watcher.stop.valid()) return false;
  watcher.thread = UniqueHandle(CreateThread(nullptr, 0, WatchDialogs, nullptr, 0, nullptr));
  return watcher.thread.valid();
}

void StopDialogWatcher() {
  Watcher &watcher = TheWatcher();
  if (!watcher.thread.valid()) return;
  SetEvent(watcher.stop.get());
  HANDLE thread = watcher.thread.get();
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  watcher.thread.Reset();
}

void QueueMessageBoxAnswer(Answer answer) {
  Lock lock(TheQueues().guard);
  TheQueues().answers.push_back(answer);
}

void HoldNextMessageBox() {
  Lock lock(TheQueues().guard);
  ++TheQueues().holds;
}

void ReleaseHeldBoxes() {
  Lock lock(TheQueues().guard);
  TheQueues().released = true;
}

void QueueOpenFile(const std::string &path) {
  Lock lock(TheQueues().guard);
  TheQueues().openFiles.push_back(path);
}

void QueueFolder(const std::string &path) {
  Lock lock(TheQueues().guard);
  TheQueues().folders.push_back(path);
}

}  // namespace corvane::win32
