// The paint handler of the console without the window: the whole client area from scratch
// (background, caption row, the 24 console rows, the input line) over a drawing surface, with
// the caret discipline around it. The line editor draws the input line with the same function.
#pragma once

struct LinkContext;
class DeviceContext;
class ViewHost;

constexpr int WINDOW_COLUMNS = 82;  // character widths the main window is sized for
constexpr int WINDOW_ROWS = 25;     // the caption row and the 24 console rows

// The console font height for a client area of `clientHeight` pixels: 16 above 400, else 14.
int a_consoleFontHeight(int clientHeight);

// Repaints a client area of `width` × `height` pixels. `adjustBackColor` replaces a set
// LinkContext.backColor by the colour the surface really shows for it (done once per run).
void a_paintConsole(LinkContext* ctx, ViewHost* host, DeviceContext* dc, int width, int height,
                    bool adjustBackColor);

// The input line right after the prompt on the newest row (one blank when it is empty and
// unchanged). A line that `changed` (got shorter or was replaced) or was recalled by Up is
// first blanked over its whole possible width.
void a_drawInputLine(LinkContext* ctx, DeviceContext* dc, bool changed);
