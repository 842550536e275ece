// Files a "#PUT" pattern names that the search cannot offer: their names have no Shift-JIS
// form (or none that leads back to the same name), so they could never be opened again by it.
// The transfer names them on the console instead of passing them over in silence.
#pragma once
#include <string>
#include <vector>

// The ordinary files of the pattern's folder whose names match its last component but have
// no Shift-JIS form, shown in ASCII: every character outside it is a "?".
std::vector<std::string> k_names_without_shift_jis(const char* pattern);
