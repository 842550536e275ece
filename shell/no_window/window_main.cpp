// Stands in for the window when the program was built without Qt (VELMO_WINDOW=OFF).
#include "shell/window_main.h"

#include <cstdio>

int velmo_window_main(int, char**, bool) {
    std::fputs(
        "velmo: this build has no window (configured with -DVELMO_WINDOW=OFF).\n"
        "Use velmo --batch, or rebuild with Qt 6 Widgets installed.\n",
        stderr);
    return 2;
}
