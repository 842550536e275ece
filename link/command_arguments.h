// The two file arguments of a "#GET" or "#PUT" line.
#pragma once
#include <cstddef>

// Splits `command` (the whole command, keyword included, `length` bytes or up to a NUL) from
// its sixth byte on into at most two blank-separated arguments. A double quote is never kept;
// blanks inside the first pair of quotes of an argument belong to it. Anything after the
// second argument is ignored. Both outputs are NUL-terminated, each cut to `capacity` - 1 bytes.
void k_command_arguments(const char* command, size_t length, char* first, char* second,
                         size_t capacity);
