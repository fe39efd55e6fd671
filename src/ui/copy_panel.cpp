#include "copy_panel.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "l10n/strings.h"
#include "palette.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>

namespace ui
{

CopyPanel::CopyPanel(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 10, 0, 0);
    column->setSpacing(6);
    QLabel *why =
        makeLabel(app::qs(l10n::couldNotOpen()), uiFont(12), Palette::accentDeep(), Lines::Wrap, Qt::AlignHCenter);
    column->addWidget(why);
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    m_text = new QLineEdit;
    m_text->setReadOnly(true);
    m_text->setFont(uiFont(12));
    m_text->setAccessibleName(why->text());
    row->addWidget(m_text, 1);
    m_copy = new TextButton(app::qs(l10n::copyButton()), uiFont(13, QFont::DemiBold), Palette::accentDeep());
    m_copy->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    row->addWidget(m_copy);
    column->addLayout(row);

    connect(m_copy, &TextButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(m_text->text());
        m_text->selectAll();
    });
    connect(&model, &app::AppModel::unopenedChanged, this, &CopyPanel::showUnopened);
    showUnopened();
}

void CopyPanel::showUnopened()
{
    const std::optional<QString> &unopened = m_model.unopened();
    m_text->setText(unopened.value_or(QString()));
    m_text->setCursorPosition(0);
    setVisible(unopened.has_value());
}

} // namespace ui
