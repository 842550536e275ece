// The keyboard line editor: the character and key-down handlers of the console view, without
// the window. The window translates its key events into these calls; the batch front end types
// its lines through them.
#pragma once

struct LinkContext;
class ViewHost;

// Characters with a meaning of their own; every other byte is inserted.
constexpr int KEY_BACKSPACE = 8;
constexpr int KEY_TAB = 9;
constexpr int KEY_ENTER = 13;
constexpr int KEY_ESCAPE = 27;

constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;

// One character byte (Backspace 8, Tab 9, Enter 13, Escape 27, anything else inserted).
void a_editChar(LinkContext* ctx, ViewHost* host, int c);
// A key of the cursor block (extended key); keypad keys are not passed here.
void a_editKeyDown(LinkContext* ctx, ViewHost* host, int virtualKey);
