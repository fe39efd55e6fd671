#pragma once

#include <QString>

#include <filesystem>

namespace app
{

// A path as the desktop shows it and Qt takes it, in the file-name encoding of the system.
[[nodiscard]] QString displayPath(const std::filesystem::path &path);

// A path given by Qt (a file dialog, a drop, a setting) as the core takes it.
[[nodiscard]] std::filesystem::path pathFrom(const QString &text);

} // namespace app
