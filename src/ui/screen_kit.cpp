#include "screen_kit.h"

#include "app/texts.h"
#include "chunky_button.h"
#include "owl.h"
#include "palette.h"
#include "text_style.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QSpacerItem>

namespace ui
{

void addFlexibleSpace(QBoxLayout *layout, int minimum)
{
    layout->addSpacerItem(new QSpacerItem(0, minimum, QSizePolicy::Minimum, QSizePolicy::Expanding));
    layout->setStretch(layout->count() - 1, 1);
}

void addSpacingAfterButton(QBoxLayout *layout, int points)
{
    layout->addSpacing(std::max(0, points - ChunkyButton::restingShadow));
}

void setDefaultButton(QWidget *screen, QAbstractButton *button)
{
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *shortcut = new QShortcut(QKeySequence(key), screen);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            // click() does nothing on a disabled button.
            button->click();
        });
    }
}

void addOwlHeading(QBoxLayout *layout, const QString &pose, const std::string &title)
{
    auto *heading = new QHBoxLayout;
    heading->setSpacing(12);
    heading->addWidget(new Owl(pose, 86), 0, Qt::AlignBottom);
    QLabel *label = makeLabel(app::qs(title), uiFont(26, QFont::DemiBold), Palette::ink());
    label->setContentsMargins(0, 0, 0, 8);
    heading->addWidget(label, 1, Qt::AlignBottom);
    layout->addLayout(heading);
}

void addOwlIntro(
    QBoxLayout *layout, const QString &pose, int owlSize, const std::string &title, const std::string &body)
{
    layout->addWidget(new Owl(pose, owlSize), 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    layout->addWidget(
        makeLabel(app::qs(title), uiFont(26, QFont::DemiBold), Palette::ink(), Lines::Wrap, Qt::AlignHCenter));
    layout->addSpacing(8);
    layout->addWidget(makeLabel(app::qs(body), uiFont(14), Palette::muted(), Lines::Wrap, Qt::AlignHCenter));
}

QString withArrow(const std::string &label)
{
    return app::qs(label) + QStringLiteral("  \u2192");
}

ChunkyButton *arrowButton(const std::string &label)
{
    auto *button = new ChunkyButton(withArrow(label), ChunkyButton::Look::Primary);
    button->setAccessibleName(app::qs(label));
    return button;
}

} // namespace ui
