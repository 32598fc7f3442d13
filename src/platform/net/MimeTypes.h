#pragma once
#include <optional>
#include <string>

namespace pw::net {

// MIME type of a file name extension ("jpg", "TXT"); nullopt when unknown.
std::optional<std::string> mimeTypeForExtension(const std::string& extension);
// MIME type of the file at path by its extension: nullopt when no file is
// there, "application/octet-stream" when the extension is unknown.
std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);

} // namespace pw::net
