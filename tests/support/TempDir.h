#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace pw::test {

// A fresh folder of its own under the system's temporary folder, removed
// with everything in it when the object goes. path() is empty when the
// folder could not be made.
class TempDir {
public:
    explicit TempDir(std::string_view prefix = "pw-test") {
        std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (char* made = ::mkdtemp(pattern.data()))
            m_path = made;
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // Writes bytes to a file of that name in the folder; returns its path.
    std::string write(const std::string& name, std::string_view bytes) const {
        const std::string path = (m_path / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

private:
    std::filesystem::path m_path{};
};

} // namespace pw::test
