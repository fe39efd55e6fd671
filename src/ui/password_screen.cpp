#include "password_screen.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "chunky_button.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "screen_kit.h"
#include "spinner.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace ui
{

PasswordScreen::PasswordScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 28);
    column->setSpacing(0);

    addFlexibleSpace(column);
    addOwlIntro(column, QStringLiteral("think"), 130, l10n::passwordTitle(), l10n::passwordBody());
    if (const auto &locked = model.lockedBackup()) {
        // Which backup this is: its phone's name, then what tells it from the others.
        column->addSpacing(12);
        QLabel *which = makeLabel(app::backupTitle(*locked), uiFont(14, QFont::DemiBold), Palette::ink(),
                                  Lines::OneLine, Qt::AlignHCenter);
        which->setObjectName(QStringLiteral("lockedBackup"));
        column->addWidget(which);
        column->addSpacing(2);
        column->addWidget(
            makeLabel(app::backupDetails(*locked), uiFont(12), Palette::muted(), Lines::OneLine, Qt::AlignHCenter));
    }

    column->addSpacing(18);
    m_password = new QLineEdit;
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(app::qs(l10n::passwordPlaceholder()));
    m_password->setAccessibleName(m_password->placeholderText());
    m_password->setFont(uiFont(15));
    m_password->setMinimumHeight(44);
    m_password->setTextMargins(10, 0, 10, 0);
    m_password->setStyleSheet(
        QStringLiteral("QLineEdit { background: white; border: 1.5px solid %1; border-radius: 14px; }"
                       "QLineEdit:focus { border-color: %2; }")
            .arg(Palette::line().name(), Palette::accent().name()));
    column->addWidget(m_password);

    column->addSpacing(10);
    m_wrong =
        makeLabel(app::qs(l10n::wrongPassword()), uiFont(13), Palette::accentDeep(), Lines::Wrap, Qt::AlignHCenter);
    column->addWidget(m_wrong);
    m_unlocking = new QWidget;
    auto *unlocking = new QHBoxLayout(m_unlocking);
    unlocking->setContentsMargins(0, 0, 0, 0);
    unlocking->setSpacing(8);
    unlocking->addStretch(1);
    auto *spinner = new Spinner(16, Palette::muted());
    spinner->setAccessibleName(app::qs(l10n::unlockingBackup()));
    unlocking->addWidget(spinner, 0, Qt::AlignVCenter);
    unlocking->addWidget(makeLabel(app::qs(l10n::unlockingBackup()), uiFont(13), Palette::muted(), Lines::OneLine), 0,
                         Qt::AlignVCenter);
    unlocking->addStretch(1);
    column->addWidget(m_unlocking);

    addFlexibleSpace(column, 16);
    m_unlock = new ChunkyButton(app::qs(l10n::unlockButton()), ChunkyButton::Look::Primary);
    column->addWidget(m_unlock);
    setDefaultButton(this, m_unlock);
    connect(m_unlock, &ChunkyButton::clicked, this, &PasswordScreen::unlock);

    addSpacingAfterButton(column, 14);
    m_back = new TextButton(app::qs(l10n::otherMessages()), uiFont(13, QFont::Medium), Palette::muted());
    column->addWidget(m_back);
    connect(m_back, &TextButton::clicked, &model, &app::AppModel::showSources);

    connect(m_password, &QLineEdit::textChanged, this, &PasswordScreen::showState);
    connect(&model, &app::AppModel::unlockingChanged, this, &PasswordScreen::showState);
    connect(&model, &app::AppModel::wrongPasswordChanged, this, &PasswordScreen::showWrongPassword);
    showState();
}

void PasswordScreen::showState()
{
    const bool unlocking = m_model.unlocking();
    m_wrong->setVisible(m_model.wrongPassword() && !unlocking);
    m_unlocking->setVisible(unlocking);
    // Read-only rather than disabled, so that the focus stays in the field and a second Return
    // meets the disabled unlock button instead of whatever control would take the focus next.
    m_password->setReadOnly(unlocking);
    m_unlock->setEnabled(!unlocking && !m_password->text().isEmpty());
    m_unlock->setBusy(unlocking);
}

void PasswordScreen::showWrongPassword()
{
    // Nothing of the password that failed stays: the field is empty and ready for the next try.
    if (m_model.wrongPassword()) {
        m_password->clear();
        m_password->setFocus();
    }
    showState();
}

void PasswordScreen::unlock()
{
    if (m_password->text().isEmpty())
        return;
    m_model.unlock(m_password->text());
    // The model has its own copy, in wiped memory; the field's is dropped at once.
    m_password->clear();
}

void PasswordScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_password->setFocus();
}

} // namespace ui
