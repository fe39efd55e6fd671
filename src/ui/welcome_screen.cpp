#include "welcome_screen.h"

#include "accessibility.h"
#include "app/app_model.h"
#include "app/texts.h"
#include "card.h"
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

WelcomeScreen::WelcomeScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32 - ChunkyButton::restingShadow);
    column->setSpacing(0);

    addFlexibleSpace(column, 24);
    column->addWidget(new Owl(QStringLiteral("base"), 170), 0, Qt::AlignHCenter);

    column->addSpacing(14);
    column->addWidget(makeLabel(app::qs(l10n::welcomeTitle()), uiFont(28, QFont::DemiBold), Palette::ink(), Lines::Wrap,
                                Qt::AlignHCenter));

    column->addSpacing(8);
    QLabel *body = makeLabel(app::qs(l10n::welcomeBody()), uiFont(15), Palette::muted(), Lines::Wrap, Qt::AlignHCenter);
    body->setContentsMargins(10, 0, 10, 0);
    column->addWidget(body);

    column->addSpacing(24);
    auto *card = new Card;
    auto *privacy = new QHBoxLayout;
    privacy->setSpacing(12);
    QLabel *lock = makeLabel(QStringLiteral("\U0001F512"), emojiFont(22), Palette::ink(), Lines::OneLine);
    markDecorative(lock);
    privacy->addWidget(lock, 0, Qt::AlignTop);
    auto *words = new QVBoxLayout;
    words->setSpacing(4);
    words->addWidget(makeLabel(app::qs(l10n::privacyTitle()), uiFont(15, QFont::DemiBold), Palette::ink()));
    words->addWidget(makeLabel(app::qs(l10n::privacyBody()), uiFont(13), Palette::inkSoft()));
    privacy->addLayout(words, 1);
    card->setContent(privacy);
    column->addWidget(card);

    addFlexibleSpace(column, 20);
    m_getStarted = arrowButton(l10n::getStarted());
    column->addWidget(m_getStarted);
    setDefaultButton(this, m_getStarted);
    connect(m_getStarted, &ChunkyButton::clicked, &model, &app::AppModel::finishWelcome);
}

} // namespace ui
