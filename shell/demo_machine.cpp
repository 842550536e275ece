#include "shell/demo_machine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <cstring>

#include "console/link_context.h"
#include "shell/demo_drive.h"

namespace {
constexpr int kStartMs = 5000;  // for velmo-dos to put its pseudo-terminal in place
constexpr int kStopMs = 2000;
}  // namespace

QString DemoMachine::findVelmoDos() {
    const QString name = QStringLiteral("velmo-dos");
    const QString beside =
        QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
    return beside.isEmpty() ? QStandardPaths::findExecutable(name) : beside;
}

bool DemoMachine::start(LinkContext* ctx, QString* error) {
    const QString program = findVelmoDos();
    if (program.isEmpty()) {
        *error = QStringLiteral(
            "velmo-dos, the simulated MS-DOS machine, was not found next to velmo or on PATH.\n"
            "Build or install it (it comes with Velmo) and start velmo --demo again.");
        return false;
    }
    if (!dir_.isValid()) {
        *error = QStringLiteral("Cannot create a temporary directory: %1").arg(dir_.errorString());
        return false;
    }
    const QString drive = dir_.filePath(QStringLiteral("drive"));
    const QString link = dir_.filePath(QStringLiteral("velmo-dos.pty"));
    if (!write_demo_drive(drive, error)) return false;

    process_.setProgram(program);
    process_.setArguments({QStringLiteral("--root"), drive, QStringLiteral("--pty"), link});
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start();
    if (!process_.waitForStarted(kStartMs)) {
        *error = QStringLiteral("Cannot start %1: %2").arg(program, process_.errorString());
        return false;
    }
    QDeadlineTimer deadline(kStartMs);
    while (!QFileInfo::exists(link)) {
        if (process_.state() != QProcess::Running || deadline.hasExpired()) {
            *error =
                QStringLiteral("%1 did not offer its pseudo-terminal at %2.").arg(program, link);
            return false;
        }
        QThread::msleep(20);
    }
    const QByteArray path = link.toLocal8Bit();
    if (ctx->comPort < 1 || ctx->comPort > COM_PORTS ||
        path.size() >= static_cast<qsizetype>(PORT_PATH_MAX)) {
        *error = QStringLiteral("The demo cannot map COM%1 to %2.").arg(ctx->comPort).arg(link);
        return false;
    }
    std::memcpy(ctx->portPaths[ctx->comPort], path.constData(), path.size() + 1);
    return true;
}

DemoMachine::~DemoMachine() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(kStopMs)) {
        process_.kill();
        process_.waitForFinished(kStopMs);
    }
}
