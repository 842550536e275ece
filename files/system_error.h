// The one place where errno becomes the Windows-style code the file and port layers carry.
#pragma once

// 2 not found, 3 path not found, 5 access denied, 32 sharing violation, 112 disk full,
// 123 invalid name; any other errno is passed on as it is.
int k_system_error(int err);
