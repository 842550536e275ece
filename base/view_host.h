// What the link driver and the line editor need from whatever shows the console: a one-shot
// timer, a drawing surface, the caret and the status bar. The window implements these with Qt,
// the batch front end and the tests with plain code.
#pragma once

class DeviceContext;

// Status bar pane 0 while a command runs and once it has ended.
constexpr char LINK_ACTIVE_TEXT[] = "RS-232C Active!";
constexpr char LINK_SLEEP_TEXT[] = "RS-232C Sleep";

class StatusBar {
  public:
    virtual ~StatusBar() = default;
    // Pane 0 is the link state and progress line, pane 1 the insert-mode indicator.
    // The text is Shift-JIS.
    virtual void setPaneText(int pane, const char* text) = 0;
};

class ViewHost {
  public:
    virtual ~ViewHost() = default;
    virtual void setTimer(int id, int milliseconds) = 0;
    virtual void killTimer(int id) = 0;
    // nullptr when no drawing surface can be had just now.
    virtual DeviceContext* getDC() = 0;
    virtual void releaseDC(DeviceContext* dc) = 0;
    virtual void showCaret() = 0;
    virtual void hideCaret() = 0;
    virtual void setCaretPos(int x, int y) = 0;
};

// Told about every line appended to the console table (the batch front end prints them).
class ConsoleObserver {
  public:
    virtual ~ConsoleObserver() = default;
    virtual void lineAppended(int index) = 0;
    // The table was emptied by a screen clear.
    virtual void consoleCleared() = 0;
};
