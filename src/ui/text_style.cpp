#include "text_style.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QStringList>

namespace ui
{

QFont uiFont(int pixelSize, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont emojiFont(int pixelSize, QFont::Weight weight)
{
    QFont font = uiFont(pixelSize, weight);
    // Font matching alone may settle on a monochrome fallback that happens to hold the symbol. The
    // first family must be a real one: an alias such as "Sans Serif" is passed over in a list, and
    // the emoji font, which holds "#" and the digits too, would draw them.
    font.setFamilies(
        {QFontInfo(font).family(), QStringLiteral("Noto Color Emoji"), QStringLiteral("Apple Color Emoji")});
    return font;
}

QLabel *makeLabel(
    const QString &text, const QFont &font, const QColor &colour, Lines lines, Qt::Alignment alignment, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    label->setPalette(palette);
    label->setAlignment(alignment);
    label->setWordWrap(lines == Lines::Wrap);
    return label;
}

} // namespace ui
