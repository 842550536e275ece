// The console table: 24 lines in the link context, appended to, scrolled and repainted only
// through these functions. Painting is deferred: the editing functions set
// LinkContext.redrawPending (and fullRedraw after a scroll); a_editRedraw paints the rows
// that changed with a drawing surface whose console font and colours are selected.
#pragma once

struct LinkContext;
class DeviceContext;

// Appends a LINE_OUTPUT line (cut to 80 characters). 10 for an empty text.
int a_editOutBuf(LinkContext* ctx, const char* text);
// Turns the input line into a LINE_COMMAND line in place of the prompt line. 10 when empty.
int a_editBuf_InToOut(LinkContext* ctx);
// Drops the oldest line.
void a_editScrollUp(LinkContext* ctx);
// Paints the changed rows from console line 0 at (x, y); runs the typed-"cls" check.
void a_editRedraw(LinkContext* ctx, int x, int y, DeviceContext* dc);

// The prompt step: appends LinkContext.promptText and marks it LINE_PROMPT.
void a_editPrompt(LinkContext* ctx);
// Appends a line and redraws at once (the pattern every caller follows).
void a_editShow(LinkContext* ctx, const char* text, DeviceContext* dc);
