// velmo: the window, or with --batch the same console driven from standard input.
#include <cstdio>

#include "batch_session.h"
#include "options.h"
#include "send_velmod.h"
#include "shell/window_main.h"

int main(int argc, char** argv) {
    // 1. What was asked for.
    Invocation invocation = velmo_parse_options(argc, argv);

    // 2. Run that front end, or answer with a text.
    switch (invocation.mode) {
        case RunMode::Window:
            return velmo_window_main(argc, argv, false);
        case RunMode::Demo:
            return velmo_window_main(argc, argv, true);
        case RunMode::Batch:
            return velmo_batch_main();
        case RunMode::SendVelmod:
            return velmo_send_velmod_main();
        case RunMode::Help:
            std::fputs(velmo_help_text().c_str(), stdout);
            return 0;
        case RunMode::Version:
            std::puts("velmo " VELMO_VERSION);
            return 0;
        case RunMode::Wrong:
            break;
    }
    std::fprintf(
        stderr, "velmo: %s\nUsage: velmo [--batch | --demo | --send-velmod | --help | --version]\n",
        invocation.problem.c_str());
    return 2;
}
