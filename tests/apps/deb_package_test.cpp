// The Debian package as `cpack -G DEB` makes it from this build: everything is in it, it asks
// for the Qt 6 runtime, and its programs run from wherever it was unpacked, finding the files
// installed with them from their own place.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/shell_command.h"
#include "support/temp_working_directory.h"

TEST(DebPackage, UnpackedProgramsRunAndFindTheirFiles) {
    TempWorkingDirectory dir;
    const std::string here = dir.path().string();
    const CommandResult packed =
        runCommand(std::string(CPACK_COMMAND) + " -G DEB --config " +
                   VELMO_BUILD_DIR "/CPackConfig.cmake -B " + shellQuoted(here) + " 2>&1");
    ASSERT_EQ(packed.status, 0) << packed.out;
    const std::string deb = here + "/velmo_" VELMO_VERSION "_amd64.deb";
    const CommandResult depends = runCommand("dpkg-deb -f " + shellQuoted(deb) + " Depends");
    EXPECT_NE(depends.out.find("libqt6widgets6"), std::string::npos) << depends.out;
    ASSERT_EQ(runCommand("dpkg-deb -x " + shellQuoted(deb) + " root").status, 0);

    const std::string usr = here + "/root/usr";
    for (const char* file :
         {"bin/velmo", "bin/velmo-dos", "share/applications/velmo.desktop",
          "share/doc/velmo/help.html", "share/velmo/dos/VELMOD.COM", "share/velmo/dos/VELMOD.TXT",
          "share/velmo/dos/velmod-pcat.img", "share/velmo/dos/velmod-pc98.hdm"}) {
        EXPECT_TRUE(std::filesystem::exists(usr + "/" + file)) << file;
    }
    const CommandResult velmo = runCommand(shellQuoted(usr + "/bin/velmo") + " --help");
    EXPECT_EQ(velmo.status, 0);
    EXPECT_NE(velmo.out.find("VELMOD.COM, in " + usr + "/share/velmo/dos."), std::string::npos)
        << velmo.out;
    const CommandResult dos = runCommand(shellQuoted(usr + "/bin/velmo-dos") + " --help");
    EXPECT_EQ(dos.status, 0);
    EXPECT_NE(dos.out.find("Usage: velmo-dos"), std::string::npos) << dos.out;
}
