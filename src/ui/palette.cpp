#include "palette.h"

namespace ui
{

namespace
{

QColor fromRgb(QRgb rgb)
{
    return QColor::fromRgb(rgb);
}

} // namespace

const QColor &Palette::cream()
{
    static const QColor colour = fromRgb(0xF9F2E9);
    return colour;
}

const QColor &Palette::sand()
{
    static const QColor colour = fromRgb(0xF1E7DA);
    return colour;
}

const QColor &Palette::ink()
{
    static const QColor colour = fromRgb(0x191512);
    return colour;
}

const QColor &Palette::inkSoft()
{
    static const QColor colour = fromRgb(0x3A332E);
    return colour;
}

const QColor &Palette::muted()
{
    static const QColor colour = fromRgb(0x7D736B);
    return colour;
}

const QColor &Palette::line()
{
    static const QColor colour = fromRgb(0xEBE1D4);
    return colour;
}

const QColor &Palette::accent()
{
    static const QColor colour = fromRgb(0xFF6A45);
    return colour;
}

const QColor &Palette::accentDeep()
{
    static const QColor colour = fromRgb(0xE0502C);
    return colour;
}

const QColor &Palette::accentSoft()
{
    static const QColor colour = fromRgb(0xFFE4DA);
    return colour;
}

const QColor &Palette::white()
{
    static const QColor colour = fromRgb(0xFFFFFF);
    return colour;
}

const std::array<QColor, 6> &Palette::rowColors()
{
    static const std::array<QColor, 6> colours = {
        fromRgb(0xFF6A45), fromRgb(0x9B7BFF), fromRgb(0x2FBF8A),
        fromRgb(0xF5B400), fromRgb(0x3AA0FF), fromRgb(0xFF7AA2),
    };
    return colours;
}

} // namespace ui
