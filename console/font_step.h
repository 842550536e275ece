// The console font step used around every drawing sequence: mode 0 selects the console font
// at LinkContext.fontHeight and measures LinkContext.charWidth and lineHeight; mode 2 releases
// it. Colours set in the context (not -1) are selected with it.
#pragma once

struct LinkContext;
class DeviceContext;

constexpr int FONT_SELECT = 0;
constexpr int FONT_RELEASE = 2;

void a_fontStep(LinkContext* ctx, int mode, DeviceContext* dc);
