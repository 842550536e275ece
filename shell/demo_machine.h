// `velmo --demo`: a simulated MS-DOS machine (velmo-dos) on a pseudo-terminal, serving a demo
// drive in a temporary directory. The configured COM port is mapped to it for this run only;
// the parameter file is never written. Everything is stopped and removed on destruction.
#pragma once
#include <QProcess>
#include <QTemporaryDir>

struct LinkContext;

class DemoMachine {
  public:
    DemoMachine() = default;
    ~DemoMachine();
    DemoMachine(const DemoMachine&) = delete;
    DemoMachine& operator=(const DemoMachine&) = delete;

    // false, with a message for the user in `error`, when the machine could not be started.
    bool start(LinkContext* ctx, QString* error);
    // The program that plays the machine: next to this executable, or on PATH.
    static QString findVelmoDos();

  private:
    QTemporaryDir dir_;
    QProcess process_;
};
