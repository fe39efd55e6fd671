#include "no_messages_screen.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "chunky_button.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "screen_kit.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QLabel>

namespace ui
{

NoMessagesScreen::NoMessagesScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32 - ChunkyButton::restingShadow);
    column->setSpacing(16);

    addFlexibleSpace(column);
    column->addWidget(new Owl(QStringLiteral("shocked"), 150), 0, Qt::AlignHCenter);
    column->addWidget(
        makeLabel(app::qs(l10n::noMessagesBody()), uiFont(15), Palette::inkSoft(), Lines::Wrap, Qt::AlignHCenter));
    addFlexibleSpace(column);

    m_quitAndReopen = new ChunkyButton(app::qs(l10n::quitAndReopen()), ChunkyButton::Look::Secondary);
    column->addWidget(m_quitAndReopen);
    connect(m_quitAndReopen, &ChunkyButton::clicked, &model, &app::AppModel::relaunch);
}

} // namespace ui
