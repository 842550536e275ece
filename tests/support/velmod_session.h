// The end-to-end session that VELMOD.COM passes on every machine it is tested on: dir, type of
// a Shift-JIS file, md and cd with the prompt following, #GET with file times, #GET /V, #PUT,
// #PUT /V and cls, through velmo --batch.
#pragma once
#include <ctime>
#include <filesystem>
#include <string>

#include "support/velmod_machine.h"

// Fills C: with the session's files.
void prepare_session_files(const std::string& driveC);
// Runs the session from `here` (velmo's directory) and checks both screens; stops `dos`.
void check_session(VelmodMachine& dos, const std::filesystem::path& here);

void write_dos_file(const std::string& path, const std::string& bytes, time_t when);
bool contains(const std::string& text, const std::string& part);
