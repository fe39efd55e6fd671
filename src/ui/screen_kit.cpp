#include "screen_kit.h"

#include "app/texts.h"
#include "chunky_button.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QKeySequence>
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
