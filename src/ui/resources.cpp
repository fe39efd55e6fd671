#include "resources.h"

#include <QDir>

// Q_INIT_RESOURCE must be expanded outside any namespace.
static void initTovikResources()
{
    Q_INIT_RESOURCE(tovik);
}

namespace ui
{

void ensureResources()
{
    static const bool registered = [] {
        initTovikResources();
        return true;
    }();
    (void)registered;
}

QString imagePath(const QString &name)
{
    ensureResources();
    return QStringLiteral(":/tovik/") + name + QStringLiteral(".svg");
}

QIcon builtInApplicationIcon()
{
    return QIcon(imagePath(QStringLiteral("AppIcon")));
}

} // namespace ui
