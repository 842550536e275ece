#include "base/install_paths.h"

#include <filesystem>
#include <system_error>

std::string k_velmod_dir() {
    namespace fs = std::filesystem;
    std::error_code failed;
    const fs::path program = fs::read_symlink("/proc/self/exe", failed);
    const fs::path installed = program.parent_path() / VELMOD_DIR_FROM_PROGRAM;
    // The build tree: the program in apps/, VELMOD in dos/.
    const fs::path built = program.parent_path().parent_path() / "dos";
    for (const fs::path& dir : {installed, built}) {
        if (fs::exists(dir / "VELMOD.COM", failed)) return dir.lexically_normal().string();
    }
    return installed.lexically_normal().string();
}
