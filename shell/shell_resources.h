// The window's compiled-in resources (icons, help page) live in a static library, so they must
// be registered explicitly before the first use.
#pragma once

void velmo_shell_resources();
