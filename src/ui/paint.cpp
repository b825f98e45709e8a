#include "ui/paint.h"

#include <algorithm>

#include "core/manager.h"
#include "ui/gear.h"
#include "ui/spinner.h"
#include "ui/update_mark.h"
#include "ui/window_style.h"

namespace kestrane {

void PaintManagerWindow(Manager &m, WindowHandle window) {
  Canvas &canvas = m.ports.canvas;
  const ManagerSettings &s = m.settings;
  PaintRequest request = canvas.BeginPaint(window);
  const Rect &client = request.client;
  DeviceContext buffer = canvas.CreateBuffer(request.dc, client.right, client.bottom);

  if (s.transbackEnabled && !s.inSlit) {
    canvas.FillRect(buffer, client, kColourKey);  // on a layered window only the gear shows
  } else {
    m.ports.shell.MakeStyleGradient(buffer, client, m.style.record, true);
  }
  // The radius follows the settings, not the client area.
  int r = (std::min(s.width, s.height) - 10) >> 1;
  m.updateMarkShown = UpdateMarkWanted(m);  // also where the button is too small to show it
  if (r >= 0) {
    DrawGear(m, buffer, (client.right - client.left) >> 1, (client.bottom - client.top) >> 1, r);
    if (m.updateMarkShown) DrawUpdateMark(m, buffer, client);
  } else {
    AdvanceSpinner(m.spinner);  // no gear to draw, but a turning one must still slow down
  }

  canvas.CopyBuffer(request.dc, buffer, request.invalid);
  canvas.ReleaseBuffer(buffer);
  canvas.EndPaint(window, request);
}

}  // namespace kestrane
