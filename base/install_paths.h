// Where the files that come with velmo are, found from the running program's own place, so
// that an installation works wherever it was unpacked, and the build tree works as it stands.
#pragma once
#include <string>

// The folder of VELMOD.COM, VELMOD.TXT and the floppy images: share/velmo/dos beside the bin/
// of the program, or dos/ of the build tree the program was built in. The installed place
// when neither exists.
std::string k_velmod_dir();
