#pragma once
// Helpers for comparing the program's output with expected files.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace gaussnet::test {

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Elapsed seconds differ from run to run; expected files show 0.
inline std::string mask_seconds(const std::string& text) {
    static const std::regex seconds("[0-9]+ sec\\.");
    return std::regex_replace(text, seconds, "0 sec.");
}

// The names of the folders directly inside root, sorted (none when root is absent).
inline std::vector<std::string> folder_names(const std::filesystem::path& root) {
    std::vector<std::string> names;
    if (!std::filesystem::is_directory(root)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace gaussnet::test
