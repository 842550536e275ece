// CD, MD and RD.
#include "dos/sim/directory_commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

void command_cd(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "", 0, 1, out)) return;
    if (args.words.empty()) {
        out.say(DosDrive::dosPath(drive.cwd()));
        return;
    }
    DosTarget target;
    std::vector<std::string> dirs;
    if (drive.resolve(args.words[0], false, &target) != PathError::None ||
        !DosDrive::asDirectory(target, &dirs)) {
        out.say("Invalid directory");
        return;
    }
    drive.setCwd(std::move(dirs));
}

void command_md(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "", 1, 1, out)) return;
    DosTarget target;
    if (drive.resolve(args.words[0], false, &target) != PathError::None || target.leaf.empty() ||
        target.found || mkdir(drive.hostPath(target).c_str(), 0777) != 0) {
        out.say("Unable to create directory");
    }
}

namespace {

// True when `dirs` is the current directory or one of the directories above it.
bool holdsCurrent(const std::vector<std::string>& dirs, const std::vector<std::string>& cwd) {
    if (dirs.size() > cwd.size()) return false;
    for (size_t i = 0; i < dirs.size(); ++i) {
        if (dirs[i] != cwd[i]) return false;
    }
    return true;
}

}  // namespace

void command_rd(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "", 1, 1, out)) return;
    DosTarget target;
    std::vector<std::string> dirs;
    if (drive.resolve(args.words[0], false, &target) != PathError::None ||
        !DosDrive::asDirectory(target, &dirs) || dirs.empty()) {
        out.say("Invalid path, not directory,");
        out.say("or directory not empty");
        return;
    }
    if (holdsCurrent(dirs, drive.cwd())) {
        out.say("Attempt to remove current directory - " + args.words[0]);
        return;
    }
    if (rmdir(drive.hostDir(dirs).c_str()) != 0) {
        out.say("Invalid path, not directory,");
        out.say("or directory not empty");
    }
}
