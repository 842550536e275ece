// velmo-dos: a simulated MS-DOS machine at the far end of velmo's cable, for tests,
// benchmarks, demonstrations and anyone without a real one.
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "dos/engine/dos_engine.h"
#include "dos/sim/dos_drive.h"
#include "dos/sim/dos_endpoint.h"
#include "dos/sim/dos_line.h"
#include "dos/sim/dos_options.h"
#include "dos/sim/drive_machine.h"

namespace {

void onStopSignal(int) {
    dos_request_stop();
}

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);  // no SA_RESTART: a blocked wait returns at once
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "velmo-dos: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // 1. The command line.
    DosOptions options;
    std::string error;
    switch (dos_parse_options(argc, argv, &options, &error)) {
        case ParseResult::Help:
            std::fputs(dos_help_text(), stdout);
            return 0;
        case ParseResult::Error:
            return fail(error + "\nTry velmo-dos --help.");
        case ParseResult::Run:
            break;
    }
    // 2. Drive A: must be a directory; its real path keeps the drive fixed whatever happens to
    //    the name given.
    char* root = realpath(options.root.c_str(), nullptr);
    struct stat info {};
    if (root == nullptr || stat(root, &info) != 0 || !S_ISDIR(info.st_mode)) {
        std::free(root);
        return fail(options.root + ": not a directory (--root names the directory of drive A:)");
    }
    DosDrive drive(root);
    std::free(root);

    // 3. The line, before the signal handlers so that a failure leaves nothing behind.
    DosEndpoint endpoint;
    const bool opened = options.ptyLink.empty()
                            ? dos_open_device(options.device, options.baudRate, &endpoint, &error)
                            : dos_open_pty(options.ptyLink, &endpoint, &error);
    if (!opened) return fail(error);
    installSignalHandlers();
    std::fprintf(stderr, "velmo-dos: serving %s on %s\n", options.root.c_str(),
                 options.ptyLink.empty() ? options.device.c_str() : options.ptyLink.c_str());

    // 4. Commands until SIGINT or SIGTERM.
    DosLine line(endpoint.fd, options.lineRate, options.timeoutSeconds * 1000);
    DriveMachine machine(drive, line, options.faults);
    dos_engine_serve(line, machine, uint32_t(options.timeoutSeconds) * 1000);

    dos_close_endpoint(&endpoint);
    return 0;
}
