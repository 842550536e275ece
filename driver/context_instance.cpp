#include "driver/context_instance.h"

#include "console/link_context.h"
#include "driver/prm_reader.h"

LinkContext* a_ContextGet() {
    static LinkContext context;
    static bool initialised = false;
    if (!initialised) {
        a_ContextDefaults(&context);
        // Marked before the file is read: whatever the reader reaches through the accessor
        // must not start the initialisation over.
        initialised = true;
        k_prm_read(&context);
    }
    return &context;
}
