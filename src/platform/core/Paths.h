#pragma once

#include <filesystem>

namespace pw::core {

// Where the application keeps its files. The home holds Documents/,
// Library/, Library/Caches/ and tmp/; the bundle's resources sit beside the
// executable. Both can be redirected (tests use a fresh temporary home).
class Paths {
public:
    // $XDG_DATA_HOME/pagewell, else ~/.local/share/pagewell, unless set.
    static std::filesystem::path home();
    static void setHome(const std::filesystem::path& home); // empty: back to the default
    static std::filesystem::path documents();
    static std::filesystem::path library();
    static std::filesystem::path caches();
    static std::filesystem::path preferences(); // Library/Preferences
    static std::filesystem::path tmp();
    // Creates the home and its four folders; false when one cannot be made.
    static bool ensureHome();

    // <dir of the running executable>/resources, unless set.
    static std::filesystem::path resources();
    static void setResources(const std::filesystem::path& dir); // empty: back to the default
    static std::filesystem::path resource(const std::filesystem::path& relative);
};

} // namespace pw::core
