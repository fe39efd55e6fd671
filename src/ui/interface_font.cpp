#include "interface_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace ui
{

void useInterfaceFont()
{
    if (!QFontDatabase::hasFamily(preferredFamily))
        return;
    QFont font = QApplication::font();
    if (font.family() == preferredFamily)
        return;
    font.setFamilies({preferredFamily});
    QApplication::setFont(font);
}

} // namespace ui
