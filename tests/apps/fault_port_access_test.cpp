// The port cannot be had: another velmo holds it, or the user may not open the device. Both
// end the command with a message that says why in words.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;

TEST(PortAccess, SecondVelmoOnTheSameDeviceIsToldItIsInUse) {
    TempWorkingDirectory work;
    DosProcess dos{work.path() / "A", work.path() / "COM1"};
    writeSettings(work.path(), dos.link(), 1);

    BatchVelmo first(work.path());  // its port stays open after a normal end
    first.type("ver");
    ASSERT_TRUE(first.waitForOutput("Velmo-DOS Version", 10)) << first.output();

    const fs::path secondDir = work.path() / "second";
    fs::create_directories(secondDir);
    writeSettings(secondDir, dos.link(), 1);
    BatchVelmo second(secondDir);
    second.type("ver");
    EXPECT_EQ(second.finish(), 1);
    EXPECT_EQ(countLines(second.output(), "in use by another program"), 1) << second.output();

    first.type("ver");
    EXPECT_TRUE(first.waitForOutput("Velmo-DOS Version", 10, 2)) << first.output();
    EXPECT_EQ(first.finish(), 0);
}

TEST(PortAccess, DeviceWithoutPermissionNamesTheDialoutGroup) {
    TempWorkingDirectory work;
    DosProcess dos{work.path() / "A", work.path() / "COM1"};
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir);
    writeSettings(velmoDir, dos.link(), 1);
    ChildLimits limits;
    if (geteuid() == 0) {
        // As root every device opens: velmo runs as "nobody", which may not open the line
        // (owned by root, group tty, mode 0620) but may use its own directory.
        limits.asNobody = true;
        fs::permissions(work.path(), fs::perms::owner_all | fs::perms::others_exec);
        fs::permissions(velmoDir, fs::perms::all);
    } else {
        ASSERT_EQ(chmod(fs::canonical(dos.link()).c_str(), 0), 0);
    }

    BatchVelmo velmo(velmoDir, limits);
    velmo.type("ver");
    EXPECT_EQ(velmo.finish(), 1);
    const std::string transcript = velmo.output();
    EXPECT_EQ(countLines(transcript, "-error, code=0x"), 1) << transcript << velmo.errors();
    EXPECT_NE(transcript.find("permission denied"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("dialout"), std::string::npos) << transcript;
}

}  // namespace
