#include "update/CompleteFile.h"

#include <fstream>
#include <system_error>

namespace tavik {

bool writeComplete(const std::filesystem::path& target, const std::string& content) {
    std::filesystem::path partial = target;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(partial, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, target, ec);
    if (ec) std::filesystem::remove(partial, ec);
    return !ec;
}

}  // namespace tavik
