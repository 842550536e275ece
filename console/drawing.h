// The drawing sequence of every painter outside the paint handler (line editor, link driver)
// and the caret discipline that goes with it: the caret is hidden while drawing and while a
// command runs, and shown again at the insertion point once the console is idle. Every show
// and hide goes through LinkContext.caretVisible.
#pragma once

struct LinkContext;
class DeviceContext;
class ViewHost;

// Hides the caret, gets the host's surface and selects the console font and colours on it.
// nullptr when no surface can be had just now.
DeviceContext* a_drawBegin(LinkContext* ctx, ViewHost* host);
// Releases the font and the surface (`dc` may be nullptr) and shows the caret again when no
// command runs.
void a_drawEnd(LinkContext* ctx, ViewHost* host, DeviceContext* dc);

void a_caretHide(LinkContext* ctx, ViewHost* host);
void a_caretShowWhenIdle(LinkContext* ctx, ViewHost* host);
// Places the caret under input column `column` of the newest console row.
void a_caretMove(LinkContext* ctx, ViewHost* host, int column);

// Characters of the prompt shown before the input line (a console line keeps at most 80).
int a_promptLength(const LinkContext* ctx);
