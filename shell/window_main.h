// The window program's entry point, called by main() with no options or with --demo (the window
// connected to a simulated MS-DOS machine for this run). Returns the exit status.
#pragma once

int velmo_window_main(int argc, char** argv, bool demo);
