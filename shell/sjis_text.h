// Shift-JIS <-> QString at the window's edges: titles, pane texts, dialog fields, keyboard text.
#pragma once
#include <QString>
#include <string>
#include <string_view>

// Bytes that do not decode are shown as U+FFFD rather than dropped, so a damaged text still
// shows its length.
QString sjisToQString(std::string_view sjis);
// Characters without a Shift-JIS form are left out; `complete` (when given) tells whether any
// were.
std::string qstringToSjis(const QString& text, bool* complete = nullptr);
