// Header names from the MS-DOS side that try to leave the destination, name nothing, or are far
// too long: nothing is written outside the destination directory, a refused name fails the GET
// with an error line, and an accepted one is the name's last component. Unusual but honest
// names arrive intact under their own names.
#include <gtest/gtest.h>

#include <map>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;

const std::string CONTENT = "content of DATA.TXT\r\n";

struct HostileName {
    const char* label;
    std::string sent;      // --hostile-name: UTF-8, \xHH for a raw byte
    std::string received;  // the file that must appear in the destination; empty: refused
};

// Every file under `dir` with its contents, except the destination and velmo's transcripts.
std::map<std::string, std::string> filesOutside(const fs::path& dir, const fs::path& destination) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->path() == destination) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string name = it->path().filename().string();
        if (name.rfind(".batch-", 0) == 0 || fs::is_symlink(it->path())) continue;
        files[it->path().string()] = it->is_regular_file() ? readFile(it->path()) : "(dir)";
    }
    return files;
}

class HostileNames : public ::testing::TestWithParam<HostileName> {
  protected:
    HostileNames() {
        fs::create_directories(destination);
        writeFile(velmoDir / "canary", "canary\n");
        writeFile(velmoDir / "x", "beside the destination\n");
        writeFile(work.path() / "x", "above it\n");
        writeSettings(velmoDir, dos.link(), 1);
        writeFile(work.path() / "A" / "DATA.TXT", CONTENT);
    }

    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    const fs::path destination = velmoDir / "in";
    DosProcess dos{work.path() / "A", work.path() / "COM1", {"--hostile-name", GetParam().sent}};
};

TEST_P(HostileNames, NothingLeavesTheDestination) {
    const HostileName& name = GetParam();
    const auto before = filesOutside(work.path(), destination);
    BatchVelmo velmo(velmoDir);
    velmo.type("#GET *.* in/");  // any name may come; where it lands is the question here
    const int status = velmo.finish();
    const std::string transcript = velmo.output();
    SCOPED_TRACE(transcript);

    EXPECT_EQ(filesOutside(work.path(), destination), before);
    std::vector<std::string> received;
    for (const auto& entry : fs::directory_iterator(destination)) {
        received.push_back(entry.path().filename().string());
    }
    if (name.received.empty()) {
        EXPECT_TRUE(received.empty());
        EXPECT_EQ(countLines(transcript, "*Refused file name") +
                      countLines(transcript, "*Cannot create file"),
                  1);
        EXPECT_EQ(countLines(transcript, "-error, code=0x"), 1);
        EXPECT_EQ(status, 1);
    } else {
        EXPECT_EQ(received, std::vector<std::string>{name.received});
        EXPECT_EQ(readFile(destination / name.received), CONTENT);
        EXPECT_EQ(countLines(transcript, "-END-"), 1);
        EXPECT_EQ(status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNames,
    ::testing::Values(
        HostileName{"DosParents", "..\\..\\x", "x"}, HostileName{"UnixParent", "../x", "x"},
        HostileName{"DownAndUp", "a\\..\\..\\x", "x"},
        HostileName{"UnixAbsolute", "/etc/passwd", "passwd"},
        HostileName{"DosRoot", "\\AUTOEXEC.BAT", "AUTOEXEC.BAT"},
        HostileName{"DriveRoot", "C:\\X", "X"}, HostileName{"DriveRelative", "C:X", "X"},
        HostileName{"Empty", "", ""}, HostileName{"Dot", ".", ""}, HostileName{"DotDot", "..", ""},
        HostileName{"DosDotDot", "A:\\..", ""},
        HostileName{"SixHundredBytes", std::string(600, 'N'), ""},
        HostileName{"DoubleDot", "MY..FILE", "MY..FILE"}, HostileName{"TwoDots", "A.B.C", "A.B.C"},
        HostileName{"NotShiftJis", "\\xFF\\xFE.TXT", ""},
        HostileName{"ControlCharacters", "A\x1b[2J\x07.TXT", ""},
        // Its second byte is 0x5C, "\": it is no separator here.
        HostileName{"KanjiWithBackslashByte", "表.TXT", "表.TXT"}),
    [](const auto& row) { return std::string(row.param.label); });

// A name too long for the file system, then a short one in the same run: the second file is
// called exactly by its own name, with nothing left over from the first.
TEST(HostileNameSequence, ShortNameAfterLongOne) {
    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir / "in");
    DosProcess dos{work.path() / "A",
                   work.path() / "COM1",
                   {"--hostile-name", std::string(300, 'L') + ".TXT"}};
    writeFile(work.path() / "A" / "DATA.TXT", CONTENT);
    writeSettings(velmoDir, dos.link(), 1);

    BatchVelmo velmo(velmoDir);
    velmo.type("#GET *.TXT in/");
    ASSERT_TRUE(velmo.waitForOutput("-error, code=0x", 10)) << velmo.output();
    dos.restart({"--hostile-name", "B.TXT"});
    velmo.type("#GET *.TXT in/");
    EXPECT_EQ(velmo.finish(), 1);
    SCOPED_TRACE(velmo.output());
    EXPECT_EQ(countLines(velmo.output(), "-END-"), 1);
    std::vector<std::string> received;
    for (const auto& entry : fs::directory_iterator(velmoDir / "in")) {
        received.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(received, std::vector<std::string>{"B.TXT"});
    EXPECT_EQ(readFile(velmoDir / "in" / "B.TXT"), CONTENT);
}

}  // namespace
