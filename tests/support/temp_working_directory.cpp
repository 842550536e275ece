#include "support/temp_working_directory.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

std::string make_scratch_directory(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary directory from " << pattern;
        return {};
    }
    return pattern;
}

TempWorkingDirectory::TempWorkingDirectory() : previous_(std::filesystem::current_path()) {
    path_ = make_scratch_directory("velmo-test");
    if (!path_.empty()) std::filesystem::current_path(path_);
}

TempWorkingDirectory::~TempWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void TempWorkingDirectory::writeFile(const std::string& name, const std::string& bytes) const {
    std::ofstream file(path_ / name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) ADD_FAILURE() << "cannot write " << (path_ / name);
}
