// A 160 KiB FAT12 floppy image, for a DOS drive that can really fill up: DOSBox mounts it with
// imgmount. It holds one file, FILL.BIN, of the size asked for.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t FLOPPY_FREE_BYTES = 313 * 512;  // an empty disk's data area

bool write_floppy_image(const std::string& path, size_t fillBytes);
