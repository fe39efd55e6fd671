#include "contacts_screen.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "chunky_button.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "screen_kit.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QLabel>

namespace ui
{

ContactsScreen::ContactsScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32 - ChunkyButton::restingShadow);
    column->setSpacing(0);

    addFlexibleSpace(column);
    addOwlIntro(column, QStringLiteral("heart"), 160, l10n::contactsTitle(), l10n::contactsBody());
    if (l10n::linuxWords) {
        // Where a contacts file comes from, for someone who has none yet.
        column->addSpacing(10);
        m_hint =
            makeLabel(app::qs(l10n::contactsFileHint()), uiFont(12), Palette::muted(), Lines::Wrap, Qt::AlignHCenter);
        column->addWidget(m_hint);
    }
    column->addSpacing(10);
    m_problem = makeLabel(QString(), uiFont(13), Palette::accentDeep(), Lines::Wrap, Qt::AlignHCenter);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for two lines whether a refusal shows or not, so the screen does not shift when one does.
    m_problem->setMinimumHeight(2 * QFontMetrics(m_problem->font()).lineSpacing());
    QSizePolicy keepsItsPlace = m_problem->sizePolicy();
    keepsItsPlace.setRetainSizeWhenHidden(true);
    m_problem->setSizePolicy(keepsItsPlace);
    column->addWidget(m_problem);
    addFlexibleSpace(column);

    m_allow = new ChunkyButton(app::qs(l10n::allowContacts()), ChunkyButton::Look::Primary);
    column->addWidget(m_allow);
    setDefaultButton(this, m_allow);
    // The model asks and returns at once; the answer arrives later on the main thread.
    connect(m_allow, &ChunkyButton::clicked, &model, &app::AppModel::requestContacts);

    addSpacingAfterButton(column, 12);
    m_skip = new ChunkyButton(app::qs(l10n::continueWithoutNames()), ChunkyButton::Look::Secondary);
    column->addWidget(m_skip);
    connect(m_skip, &ChunkyButton::clicked, &model, &app::AppModel::skipContacts);

    const auto showProblem = [this, &model] {
        m_problem->setText(model.contactsProblem().value_or(QString()));
        m_problem->setVisible(model.contactsProblem().has_value());
    };
    connect(&model, &app::AppModel::contactsProblemChanged, this, showProblem);
    showProblem();

    if (model.choosesSources()) {
        addSpacingAfterButton(column, 12);
        m_back = new TextButton(app::qs(l10n::goBack()), uiFont(13, QFont::Medium), Palette::muted());
        column->addWidget(m_back);
        connect(m_back, &TextButton::clicked, &model, &app::AppModel::goBack);
    }
}

} // namespace ui
