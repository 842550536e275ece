#include "shell/window_main.h"

#include <QApplication>
#include <QMessageBox>

#include "shell/close_on_signal.h"
#include "shell/demo_machine.h"
#include "shell/fatal_error_box.h"
#include "shell/main_frame.h"
#include "shell/velmo_app.h"

int velmo_window_main(int argc, char** argv, bool demo) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmo"));
    install_fatal_error_box();

    CVelmoApp velmo;
    DemoMachine machine;
    if (demo) {
        QString error;
        if (!machine.start(velmo.context(), &error)) {
            QMessageBox::critical(nullptr, QStringLiteral("Velmo --demo"), error);
            return 1;
        }
    }
    if (!velmo.initInstance()) return 1;
    close_on_termination_signals(velmo.mainFrame());
    if (demo) {
        velmo.mainFrame()->setWindowTitle(velmo.mainFrame()->windowTitle() +
                                          QStringLiteral("  (demo: velmo-dos)"));
    }
    return application.exec();
}
