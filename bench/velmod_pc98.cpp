// GET and PUT of 256 KiB with the real VELMOD.COM on the emulated PC-98 (a 16 MHz 386, the
// 8253 at 2.4576 MHz), through velmo --batch, at the bit rate given (default 9600). Prints the
// efficiency against the line's own byte rate in the PC-98's (emulated) time, which falls
// behind the wall clock when the host is too busy to keep up, and the bytes the 8251A lost to
// overruns, each of which costs a repeated block. About 10 minutes at 9600 bit/s.
//   bench_velmod_pc98 [rate]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pc98_machine.h"
#include "support/file_bytes.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"

namespace {

constexpr size_t PAYLOAD = 256 * 1024;
// Rates velmo's port cannot be set to still run over the pseudo-terminal, which has none.
constexpr unsigned VELMO_FASTEST_SETTING = 115200;
constexpr int RUN_LIMIT_SECONDS = 3600;

void measure(const char* what, const std::string& script, Pc98Machine& pc98, unsigned rate,
             const std::filesystem::path& arrived) {
    const double emulatedStart = pc98.emulatedSeconds();
    const uint32_t overrunsBefore = pc98.overruns();
    const auto start = std::chrono::steady_clock::now();
    const Finished run = VelmoProcess({"--batch"}, script).wait(RUN_LIMIT_SECONDS);
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double seconds = pc98.emulatedSeconds() - emulatedStart;
    const bool intact = fileBytes(arrived) == patterned(PAYLOAD);
    std::printf("%-4s %6u bit/s  %6.1f s (wall %6.1f s)  efficiency %5.1f %%  overruns %u  %s\n",
                what, rate, seconds, wallSeconds, 100.0 * PAYLOAD / seconds / (rate / 10.0),
                pc98.overruns() - overrunsBefore, run.status == 0 && intact ? "ok" : "FAILED");
    if (run.status != 0) std::printf("%s%s", run.out.c_str(), run.err.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned rate = argc > 1 ? unsigned(std::atoi(argv[1])) : 9600;
    TempWorkingDirectory here;
    Pc98Machine pc98({.switches = "/B:" + std::to_string(rate), .lineRate = rate});
    write_velmo_settings(here.path(), pc98.linePath(), std::min(rate, VELMO_FASTEST_SETTING));
    here.writeFile("UP.BIN", patterned(PAYLOAD));
    std::filesystem::create_directory(here.path() / "got");
    measure("PUT", "#PUT UP.BIN\n", pc98, rate, pc98.driveC() + "/UP.BIN");
    measure("GET", "#GET UP.BIN got/\n", pc98, rate, here.path() / "got/UP.BIN");
    return 0;
}
