// The drive the simulated MS-DOS machine of `velmo --demo` serves: a few DOS text files (one
// with a Japanese name and Shift-JIS contents), a binary file and a subdirectory.
#pragma once
#include <QString>

// false, with a message in `error`, when a file could not be written.
bool write_demo_drive(const QString& root, QString* error);
