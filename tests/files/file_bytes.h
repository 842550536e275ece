// Reading a file back byte for byte, for checking what the file layer wrote.
#pragma once
#include <fstream>
#include <iterator>
#include <string>

inline std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
