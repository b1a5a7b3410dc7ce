#pragma once
#include <filesystem>
#include <string>

namespace tavik {

// Writes the whole content under a side name (the target's name with ".part"
// after it) and only then gives it the final name, so a file of that name is
// always complete. False, with no side file left, when that fails.
bool writeComplete(const std::filesystem::path& target, const std::string& content);

}  // namespace tavik
