#include "source_screen.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "card.h"
#include "chunky_button.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "screen_kit.h"
#include "spinner.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace ui
{

SourceDialog::SourceDialog(QWidget *parent)
    : QFileDialog(parent, app::qs(l10n::chooseSourceTitle()), QDir::homePath())
{
    // Qt's own dialog: a platform one would not let a folder and a file be chosen alike.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setOption(QFileDialog::ReadOnly);
    // Folders show whatever the filter; among files, databases first.
    setNameFilters({QStringLiteral("chat.db (*.db)"), QStringLiteral("* (*)")});
    setLabelText(QFileDialog::Accept, app::qs(l10n::chooseSource()));
}

void SourceDialog::accept()
{
    const QStringList files = selectedFiles();
    const QString picked = files.isEmpty() ? directory().absolutePath() : files.constFirst();
    if (!QFileInfo::exists(picked))
        return; // a mistyped name: the dialog stays for another try
    m_chosen = std::filesystem::path(QFile::encodeName(QFileInfo(picked).absoluteFilePath()).toStdString());
    QDialog::accept();
}

QString SourceScreen::backupCommand()
{
    return QStringLiteral("mkdir -p ~/iPhone-Backup && idevicebackup2 backup --full ~/iPhone-Backup");
}

SourceScreen::SourceScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32 - ChunkyButton::restingShadow);
    column->setSpacing(0);

    addOwlHeading(column, QStringLiteral("think"), l10n::sourceTitle());

    column->addSpacing(14);
    column->addWidget(makeLabel(app::qs(l10n::sourceBody()), uiFont(14), Palette::inkSoft()));

    column->addSpacing(18);
    auto *card = new Card;
    auto *backupHelp = new QVBoxLayout;
    backupHelp->setSpacing(8);
    backupHelp->addWidget(makeLabel(app::qs(l10n::sourceBackupHint()), uiFont(13), Palette::inkSoft()));
    QFont mono = uiFont(12);
    mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    mono.setStyleHint(QFont::Monospace);
    QLabel *command = makeLabel(backupCommand(), mono, Palette::ink());
    command->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    command->setObjectName(QStringLiteral("backupCommand"));
    backupHelp->addWidget(command);
    card->setContent(backupHelp);
    column->addWidget(card);

    column->addSpacing(14);
    m_problem = makeLabel(QString(), uiFont(13), Palette::accentDeep());
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_problem);

    m_checking = new QWidget;
    auto *checking = new QHBoxLayout(m_checking);
    checking->setContentsMargins(0, 0, 0, 0);
    checking->setSpacing(8);
    auto *spinner = new Spinner(16, Palette::muted());
    spinner->setAccessibleName(app::qs(l10n::checkingSource()));
    checking->addWidget(spinner, 0, Qt::AlignVCenter);
    checking->addWidget(makeLabel(app::qs(l10n::checkingSource()), uiFont(13), Palette::muted(), Lines::OneLine), 0,
                        Qt::AlignVCenter);
    checking->addStretch(1);
    column->addWidget(m_checking);

    addFlexibleSpace(column, 16);
    m_choose = arrowButton(l10n::chooseSource());
    column->addWidget(m_choose);
    setDefaultButton(this, m_choose);
    connect(m_choose, &ChunkyButton::clicked, this, &SourceScreen::openDialog);

    connect(&model, &app::AppModel::sourceProblemChanged, this, &SourceScreen::showState);
    connect(&model, &app::AppModel::checkingSourceChanged, this, &SourceScreen::showState);
    showState();
}

void SourceScreen::showState()
{
    const std::optional<QString> &problem = m_model.sourceProblem();
    m_problem->setText(problem.value_or(QString()));
    m_problem->setVisible(problem.has_value());
    m_checking->setVisible(m_model.checkingSource());
    m_choose->setEnabled(!m_model.checkingSource());
}

void SourceScreen::openDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new SourceDialog(window());
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    SourceDialog *dialog = m_dialog.data();
    // The model outlives every screen; the dialog may close after this screen has gone.
    connect(dialog, &QDialog::accepted, &m_model, [model = &m_model, dialog] {
        if (dialog->chosen())
            model->chooseSource(*dialog->chosen());
    });
    dialog->open();
}

} // namespace ui
