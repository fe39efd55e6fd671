#pragma once

#include <QColor>

#include <array>

namespace ui
{

// The named colours of every screen, exact opaque sRGB. The application always draws its light
// appearance, so there is no dark variant. Each colour is made once, on first use.
struct Palette {
    static const QColor &cream(); // window background, step discs, list footer
    static const QColor &sand(); // group badge capsule
    static const QColor &ink(); // main text, secondary button label
    static const QColor &inkSoft(); // body paragraphs, group avatars
    static const QColor &muted(); // hints, captions, small pictograms
    static const QColor &line(); // borders of secondary buttons, cards, fields, rows
    static const QColor &accent(); // primary button face, selected row border and check mark
    static const QColor &accentDeep(); // primary button edge and shadow, list error texts
    static const QColor &accentSoft(); // selected row face
    static const QColor &white();

    // The avatar colours of list rows, picked by position in the shown list.
    static const std::array<QColor, 6> &rowColors();
};

} // namespace ui
