#include "base/install_paths.h"

#include <filesystem>
#include <system_error>

std::string k_velmod_dir() {
    namespace fs = std::filesystem;
    std::error_code failed;
    const fs::path program = fs::read_symlink("/proc/self/exe", failed);
    const fs::path up = program.parent_path().parent_path();
    const fs::path installed = up / "share/velmo/dos";
    for (const fs::path& dir : {installed, up / "dos"}) {
        if (fs::exists(dir / "VELMOD.COM", failed)) return dir.lexically_normal().string();
    }
    return installed.lexically_normal().string();
}
