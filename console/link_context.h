// The link context: the one record of all state that outlives one message.
//
// Settings from the parameter file, the port slots, the running command's flags, the transfer
// buffers, the console table, the input line with its history and the console font metrics all
// live here. The program has exactly one (driver/context_instance.h); the link and console
// functions take its address as their first argument. Only the window thread touches it.
#pragma once
#include <cstdint>

#include "console/console_line.h"
#include "serial/port.h"

class StatusBar;
class ConsoleObserver;

constexpr int POLL_TIMER_ID = 32773;
constexpr int POLL_PERIOD_MS = 1;  // the one-shot timer of a running command
constexpr int LINK_BUFFER_SIZE = 5120;
constexpr int TRANSFER_LINE_SIZE = 1200;  // a start line with two 511-byte names

struct LinkContext {
    int windowTop;
    int windowLeft;
    const char* versionText;
    StatusBar* statusBar;
    char captionText[128];
    int cancelRequested;
    int linkActive;
    int caretVisible;
    int caretWidth;
    int caretHeight;
    int clearScreenPending;
    int getMode;
    int putMode;
    int verifyOn;
    int verifyTransfer;
    int tickCount;
    int timerArmed;
    uint32_t transferStartTick;
    char dosFileName[512];
    char transferPath[512];
    int timeoutSetting;
    int comPort;
    int baudRate;
    int stopBits;
    int portOpen;
    int portHandle;  // file descriptor of the open device, PORT_NONE when closed
    PortIo ioOverlapped;
    char portPaths[COM_PORTS + 1][PORT_PATH_MAX];  // "COMn=PATH" of the parameter file
    char promptText[82];
    int backColor;
    int textColor;
    int fontHeight;
    int charWidth;
    int lineHeight;
    int historyKeyPending;
    int insertMode;
    int cursorKeyPending;
    int inputLimit;
    int inputLength;
    int cursorColumn;
    int historyIndex;
    char inputLine[512];
    char editScratch[512];
    HistoryEntry history[HISTORY_ENTRIES];
    int redrawPending;
    int fullRedraw;
    int lineCount;
    ConsoleLine lines[CONSOLE_LINES];
    unsigned char frameBuffer[LINK_BUFFER_SIZE];
    unsigned char workBuffer[LINK_BUFFER_SIZE];
    char transferLine[TRANSFER_LINE_SIZE];
    const char* failureWords;          // the running command's failure in words, or null
    ConsoleObserver* consoleObserver;  // told of every appended line; may be null
};

// Sets every default of `ctx`: what the program's one context holds before the parameter file
// is read. Tests use it to start from a clean record.
void a_ContextDefaults(LinkContext* ctx);
