// An unpaced #GET of a large file typed into the window, beside the same #GET in
// `velmo --batch`, both against velmo-dos on a pseudo-terminal: does the window run a transfer
// as fast as batch mode?
//
//   bench_window_get [MIB [RUNS]]        (default 16 MiB, 3 runs of each)
//
// Prints one line per front end: the best and the median seconds from Enter to the end of the
// command (for batch: from start to exit, start-up included), the best MiB/s, and whether every
// copy was identical. Runs alternate between the front ends, a fresh velmo-dos for each. The window
// runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise; run it on an otherwise
// quiet machine.
#include <signal.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "console/line_editor.h"
#include "console/link_context.h"
#include "shell/main_frame.h"
#include "shell/velmo_doc.h"
#include "shell/velmo_view.h"
#include "shell/window_position.h"
#include "support/child_process.h"
#include "support/monotonic_clock.h"

namespace {
const std::string kBin = VELMO_BIN_DIR;
const char kCommand[] = "#GET BIG.BIN out/";

// velmo-dos serving `root` on a pseudo-terminal at `link`, for one run.
class DosMachine {
  public:
    DosMachine(const QString& root, const QString& link) : link_(link) {
        QFile::remove(link);
        pid_ = k_bench_spawn({kBin + "/velmo-dos", "--root", root.toStdString(), "--pty",
                              link.toStdString(), "--timeout", "60"});
        for (int i = 0; i < 250 && pid_ > 0 && !QFile::exists(link); ++i) QThread::msleep(20);
    }
    ~DosMachine() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        ChildResult result;
        k_bench_wait(pid_, &result);
    }
    bool ready() const { return pid_ > 0 && QFile::exists(link_); }

  private:
    QString link_;
    pid_t pid_ = -1;
};

bool sameBytes(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    return first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly) &&
           first.readAll() == second.readAll();
}

// Types the command into the real window and runs its event loop until the command has ended.
double windowSeconds(const QString& link) {
    auto ctx = std::make_unique<LinkContext>();
    a_ContextDefaults(ctx.get());
    std::snprintf(ctx->portPaths[1], PORT_PATH_MAX, "%s", link.toLocal8Bit().constData());
    ctx->baudRate = 115200;
    CVelmoDoc doc(ctx.get());
    CMainFrame frame(&doc, WindowPosition(QStringLiteral("VelmoBench")));
    frame.placeAndSize();
    frame.show();
    CVelmoView* view = frame.view();
    for (const char* c = kCommand; *c; ++c) a_editChar(ctx.get(), view, *c);
    const int64_t start = k_bench_now();
    a_editChar(ctx.get(), view, KEY_ENTER);
    while (ctx->linkActive == 1) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = double(k_bench_now() - start) * 1e-9;
    frame.close();
    return seconds;
}

double batchSeconds(const QString& link, const QString& host) {
    QFile settings(QDir(host).filePath("PRM232C.TXT"));
    if (!settings.open(QIODevice::WriteOnly)) return -1;
    settings.write(QStringLiteral("COM1=%1\r\nBAUDRATE=115200\r\n").arg(link).toLocal8Bit());
    settings.close();
    const std::string command =
        "printf '%s\\n' '" + std::string(kCommand) + "' | '" + kBin + "/velmo' --batch > batch.log";
    const int64_t start = k_bench_now();
    const int status = std::system(command.c_str());
    const double seconds = double(k_bench_now() - start) * 1e-9;
    return status == 0 ? seconds : -1;
}

struct Runs {
    std::vector<double> seconds;
    bool identical = true;
    bool failed = false;
};

void report(const char* frontEnd, Runs runs, int mib) {
    if (runs.failed || runs.seconds.empty()) {
        std::printf("%-7s failed\n", frontEnd);
        return;
    }
    std::sort(runs.seconds.begin(), runs.seconds.end());
    const double best = runs.seconds.front();
    std::printf("%-7s best %6.2f s  median %6.2f s  %6.2f MiB/s  %s\n", frontEnd, best,
                runs.seconds[runs.seconds.size() / 2], mib / best,
                runs.identical ? "identical" : "DIFFERS");
}
}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    const int mib = argc > 1 ? std::atoi(argv[1]) : 16;
    const int count = argc > 2 ? std::atoi(argv[2]) : 3;
    if (mib <= 0 || count <= 0) {
        std::fprintf(stderr, "usage: bench_window_get [MIB [RUNS]]\n");
        return 2;
    }

    QTemporaryDir work;
    const QDir dir(work.path());
    dir.mkpath("dos");
    dir.mkpath("host/out");
    const QString sent = dir.filePath("dos/BIG.BIN");
    const QString arrived = dir.filePath("host/out/BIG.BIN");
    const QString link = dir.filePath("line");
    {
        std::string bytes(size_t(mib) << 20, '\0');
        std::mt19937 random(12);
        for (char& byte : bytes) byte = static_cast<char>(random());
        QFile file(sent);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(sent));
            return 1;
        }
    }
    QDir::setCurrent(dir.filePath("host"));  // #GET writes into out/ of the working directory

    std::printf("unpaced #GET of %d MiB from velmo-dos, %d runs each\n", mib, count);
    Runs window;
    Runs batch;
    for (int run = 0; run < count; ++run) {
        for (Runs* runs : {&window, &batch}) {
            QFile::remove(arrived);
            DosMachine machine(dir.filePath("dos"), link);
            if (!machine.ready()) {
                std::fprintf(stderr, "velmo-dos did not start (built? %s/velmo-dos)\n",
                             kBin.c_str());
                return 1;
            }
            const double seconds =
                runs == &window ? windowSeconds(link) : batchSeconds(link, dir.filePath("host"));
            runs->failed = runs->failed || seconds < 0;
            runs->identical = runs->identical && sameBytes(sent, arrived);
            runs->seconds.push_back(seconds);
        }
    }
    report("window", window, mib);
    report("batch", batch, mib);
    return 0;
}
