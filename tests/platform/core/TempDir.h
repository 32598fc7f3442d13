#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace pw::core::test {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "pw-core-XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data()))
            m_path = made;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path {};
};

} // namespace pw::core::test
