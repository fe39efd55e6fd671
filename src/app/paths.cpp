#include "paths.h"

#include <QFile>

namespace app
{

QString displayPath(const std::filesystem::path &path)
{
    return QFile::decodeName(path.c_str());
}

std::filesystem::path pathFrom(const QString &text)
{
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

} // namespace app
