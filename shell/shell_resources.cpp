#include "shell/shell_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must not be used inside a namespace.
static void registerVelmoResources() {
    Q_INIT_RESOURCE(velmo);
}

void velmo_shell_resources() {
    static const bool registered = (registerVelmoResources(), true);
    (void)registered;
}
