#include "support/velmod_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/file_bytes.h"
#include "support/velmo_process.h"

namespace fs = std::filesystem;

namespace {

// "日本語の表" in Shift-JIS: 表 (95 5C) has a backslash as its second byte.
const std::string SHIFT_JIS_TEXT = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\x5c\r\n";
const std::string SHIFT_JIS_AS_UTF8 = "日本語の表";

time_t modified(const fs::path& path) {
    struct stat info = {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mtime;
}

}  // namespace

void write_dos_file(const std::string& path, const std::string& bytes, time_t when) {
    std::ofstream(path, std::ios::binary) << bytes;
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void prepare_session_files(const std::string& c) {
    const time_t stamp = localTime(2001, 2, 3, 4, 5, 6);
    write_dos_file(c + "/SJIS.TXT", SHIFT_JIS_TEXT, stamp);
    write_dos_file(c + "/ONE.TXT", "one\r\n", stamp);
    write_dos_file(c + "/TWO.TXT", patterned(5000), localTime(2002, 3, 4, 5, 6, 8));
}

void check_session(VelmodMachine& dos, const fs::path& here) {
    dos.configureVelmo(here);
    fs::create_directory(here / "up");
    std::ofstream(here / "up/A.TXT", std::ios::binary) << "a\r\n";
    std::ofstream(here / "up/B.BIN", std::ios::binary) << patterned(9000);
    fs::create_directory(here / "got");

    const Finished run = runVelmo({"--batch"},
                                  "dir\ntype SJIS.TXT\nmd NEW\ncd NEW\ncd ..\n"
                                  "#GET *.TXT got/\n#GET TWO.TXT got/TWO-V.TXT /V\n"
                                  "md NEWV\n#PUT up/*.* NEW\\\n#PUT up/*.* NEWV\\ /V\ncls\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "SJIS     TXT")) << run.out;
    EXPECT_TRUE(contains(run.out, SHIFT_JIS_AS_UTF8)) << run.out;
    EXPECT_TRUE(contains(run.out, "C:\\NEW>cd ..")) << "the prompt follows CD:\n" << run.out;

    EXPECT_EQ(fileBytes(here / "got/SJIS.TXT"), SHIFT_JIS_TEXT);
    EXPECT_TRUE(fileBytes(here / "got/TWO.TXT") == patterned(5000));
    EXPECT_TRUE(fileBytes(here / "got/TWO-V.TXT") == patterned(5000));
    EXPECT_EQ(modified(here / "got/ONE.TXT"), localTime(2001, 2, 3, 4, 5, 6));
    EXPECT_EQ(modified(here / "got/TWO.TXT"), localTime(2002, 3, 4, 5, 6, 8));
    for (const char* folder : {"/NEW/", "/NEWV/"}) {
        EXPECT_EQ(fileBytes(dos.driveC() + folder + "A.TXT"), "a\r\n") << folder;
        EXPECT_TRUE(fileBytes(dos.driveC() + folder + "B.BIN") == patterned(9000)) << folder;
    }
    const std::string screen = dos.stopAndReadScreen();
    EXPECT_TRUE(contains(screen, "GET *.TXT  3 files, 5017 bytes")) << screen;
    EXPECT_TRUE(contains(screen, "PUT NEWV\\  2 files, 9003 bytes")) << screen;
    EXPECT_TRUE(contains(screen, "> !cls")) << screen;
}
