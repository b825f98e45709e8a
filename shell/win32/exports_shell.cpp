// The rest of the shell's exports: its window, folder and editor, programs, sticky windows,
// snapping, style data, and the test plug-ins' own transcript line.
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "host/corvane_api.h"
#include "portable/snapping.h"
#include "portable/text_format.h"
#include "portable/transcript_text.h"
#include "win32/gradient.h"
#include "win32/shell_state.h"
#include "win32/transcript.h"
#include "win32/window_lookup.h"

using corvane::Format;
using corvane::QuoteOrNull;
using corvane::win32::Record;
using corvane::win32::Shell;
using corvane::win32::WindowName;

namespace {

void CopyOut(char *buffer, size_t size, const std::string &text) {
  if (!buffer || size == 0) return;
  std::snprintf(buffer, size, "%s", text.c_str());
}

}  // namespace

HWND GetCVWnd() {
  Record("GetCVWnd");
  return Shell().core;
}

void GetCorvanePath(char *buffer, int size) {
  Record("GetCorvanePath");
  if (size > 0) CopyOut(buffer, static_cast<size_t>(size), Shell().folder);
}

void GetCorvaneEditor(char *buffer) {
  Record("GetCorvaneEditor");
  CopyOut(buffer, MAX_PATH, Shell().options.editor);
}

HINSTANCE CVExecute(HWND owner, const char *verb, const char *file, const char *args,
                    const char *folder, int show, bool quiet) {
  Record("exec owner=" + WindowName(owner) + " verb=" + QuoteOrNull(verb) +
         " file=" + QuoteOrNull(file) + " args=" + QuoteOrNull(args) +
         " folder=" + QuoteOrNull(folder) + Format(" show=%d quiet=%d", show, quiet));
  if (!Shell().options.execute) {
    // What ShellExecute returns on success: a value above 32.
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
  }
  return ShellExecuteA(owner, verb, file, args, folder, show);
}

bool MakeSticky(HWND window) {
  Shell().sticky.insert(window);
  Record("sticky add " + WindowName(window));
  return true;
}

void RemoveSticky(HWND window) {
  Shell().sticky.erase(window);
  Record("sticky remove " + WindowName(window));
}

void SnapWindowToEdge(WINDOWPOS *position, LPARAM distance, UINT flags) {
  if (!position) return;
  int width = position->cx;
  int height = position->cy;
  if ((position->flags & SWP_NOSIZE) || width <= 0 || height <= 0) {
    RECT rect{};
    if (position->hwnd && GetWindowRect(position->hwnd, &rect)) {
      width = rect.right - rect.left;
      height = rect.bottom - rect.top;
    }
  }
  const corvane::ScreenRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                   GetSystemMetrics(SM_CYSCREEN)};
  const int x = position->x;
  const int y = position->y;
  if (!(position->flags & SWP_NOMOVE)) {
    const auto snapped =
        corvane::SnapToEdges(x, y, width, height, static_cast<int>(distance), screen);
    position->x = snapped.x;
    position->y = snapped.y;
  }
  Record(Format("snap %d %d -> %d %d distance=%lld flags=%u", x, y, position->x, position->y,
                static_cast<long long>(distance), flags));
}

void *GetSettingPtr(int which) {
  Record(Format("GetSettingPtr %d", which));
  switch (which) {
    case 1: return &Shell().style;
    case 13: return &Shell().outline;
    default: return nullptr;
  }
}

void MakeStyleGradient(HDC dc, RECT *rect, const void *style, bool border) {
  if (!dc || !rect || !style) {
    Record("gradient -> missing argument");
    return;
  }
  // Only the colours: the caller's record may be a copy of no more than the 300 bytes promised.
  corvane::StyleRecord record{};
  std::memcpy(&record, style, offsetof(corvane::StyleRecord, reserved));
  Record(Format("gradient %ldx%ld border=%d", static_cast<long>(rect->right - rect->left),
                static_cast<long>(rect->bottom - rect->top), border));
  corvane::win32::PaintGradient(dc, *rect, record, border);
}

void CVTranscript(const char *line) {
  if (Shell().options.quietPlugins) return;
  Record(corvane::EscapeControls(line ? line : ""));
}
