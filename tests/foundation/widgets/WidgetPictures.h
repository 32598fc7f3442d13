#pragma once
// Keeps a rendered picture of a widget under the build folder
// (artifacts/widgets/<name>.png), where a reviewer can look at it.
#include "platform/gfx/Image.h"

#include <filesystem>
#include <string>

namespace pw::test {

inline bool keepWidgetPicture(const gfx::Image& image, const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(PW_ARTIFACT_DIR) / "widgets";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return image.writePNG((dir / (name + ".png")).string());
}

} // namespace pw::test
