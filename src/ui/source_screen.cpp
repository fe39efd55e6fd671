#include "source_screen.h"

#include "app/app_model.h"
#include "app/paths.h"
#include "app/texts.h"
#include "backups_screen.h"
#include "card.h"
#include "chunky_button.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "screen_kit.h"
#include "spinner.h"
#include "text_button.h"
#include "text_style.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>

#include <algorithm>

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
    m_chosen = app::pathFrom(QFileInfo(picked).absoluteFilePath());
    QDialog::accept();
}

QString SourceScreen::backupCommand()
{
    return QStringLiteral("mkdir -p ~/iPhone-Backup\nidevicebackup2 backup --full ~/iPhone-Backup");
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

    m_found = new QWidget;
    auto *found = new QVBoxLayout(m_found);
    found->setContentsMargins(0, 14, 0, 0);
    found->setSpacing(6);
    m_looking = new QWidget;
    auto *looking = new QHBoxLayout(m_looking);
    looking->setContentsMargins(0, 0, 0, 0);
    looking->setSpacing(8);
    auto *lookingSpinner = new Spinner(16, Palette::muted());
    lookingSpinner->setAccessibleName(app::qs(l10n::lookingForSources()));
    looking->addWidget(lookingSpinner, 0, Qt::AlignVCenter);
    looking->addWidget(makeLabel(app::qs(l10n::lookingForSources()), uiFont(13), Palette::muted(), Lines::OneLine), 0,
                       Qt::AlignVCenter);
    looking->addStretch(1);
    found->addWidget(m_looking);
    QLabel *caption = makeLabel(app::qs(l10n::foundSources()).toUpper(), uiFont(11, QFont::DemiBold), Palette::muted(),
                                Lines::OneLine);
    caption->setObjectName(QStringLiteral("foundCaption"));
    found->addWidget(caption);
    m_foundList = new QWidget;
    m_foundList->setAutoFillBackground(false);
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("foundSources"));
    scroll->setWidget(m_foundList);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    found->addWidget(scroll);
    column->addWidget(m_found);

    column->addSpacing(14);
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
    m_toolMissing = makeLabel(app::qs(l10n::backupToolMissing()), uiFont(12), Palette::accentDeep());
    m_toolMissing->setObjectName(QStringLiteral("backupToolMissing"));
    backupHelp->addWidget(m_toolMissing);
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
    connect(&model, &app::AppModel::discoveryChanged, this, &SourceScreen::showFound);
    connect(&model, &app::AppModel::discoveryChanged, this, &SourceScreen::showState);
    showFound();
    showState();
}

void SourceScreen::showFound()
{
    // Where the keyboard is before the rows are replaced: on a row (which one), elsewhere on the
    // window, or nowhere yet. Only in the first and last case do the new rows take it.
    QWidget *focused = QApplication::focusWidget();
    std::optional<std::filesystem::path> focusedRow;
    for (std::size_t i = 0; i < m_foundRows.size(); ++i) {
        if (m_foundRows[i] == focused || m_foundRows[i]->isAncestorOf(focused))
            focusedRow = m_foundPaths[i];
    }
    const bool focusElsewhere =
        !focusedRow && focused != nullptr && focused != window() && window()->isAncestorOf(focused);
    if (focusedRow)
        window()->setFocus(Qt::OtherFocusReason); // not handed on down the chain as the row goes
    delete m_foundList->layout();
    for (BackupRow *row : m_foundRows)
        row->deleteLater();
    for (TextButton *forget : m_forgetButtons)
        forget->deleteLater();
    m_foundRows.clear();
    m_foundPaths.clear();
    m_forgetButtons.clear();
    auto *rows = new QVBoxLayout(m_foundList);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    for (const sources::FoundSource &found : m_model.foundSources()) {
        auto *row = new BackupRow(found);
        m_foundRows.push_back(row);
        m_foundPaths.push_back(found.path);
        const std::filesystem::path path = found.path;
        connect(row, &BackupRow::clicked, &m_model, [model = &m_model, path] {
            model->chooseSource(path);
        });
        if (!found.recent) {
            rows->addWidget(row);
            continue;
        }
        auto *line = new QHBoxLayout;
        line->setSpacing(8);
        line->addWidget(row, 1);
        auto *forget = new TextButton(app::qs(l10n::forgetSource()), uiFont(12, QFont::Medium), Palette::muted());
        forget->setAccessibleDescription(row->title());
        forget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        m_forgetButtons.push_back(forget);
        connect(forget, &TextButton::clicked, &m_model, [model = &m_model, path] {
            model->forgetRecent(path);
        });
        line->addWidget(forget, 0, Qt::AlignVCenter);
        rows->addLayout(line);
    }
    rows->addStretch(1);
    const bool any = !m_foundRows.empty();
    // Up to two rows and a half in sight; more scroll.
    auto *scroll = qobject_cast<QScrollArea *>(m_foundList->parentWidget()->parentWidget());
    constexpr int rowPitch = 72;
    scroll->setFixedHeight(std::min<int>(static_cast<int>(m_foundRows.size()) * rowPitch, rowPitch * 5 / 2));
    scroll->setVisible(any);
    m_found->findChild<QLabel *>(QStringLiteral("foundCaption"))->setVisible(any);
    m_looking->setVisible(m_model.discovering() && !any);
    m_found->setVisible(any || m_model.discovering());
    // Return opens the newest one, unless the user is already elsewhere.
    if (!any || !isVisible() || focusElsewhere)
        return;
    BackupRow *take = m_foundRows.front();
    for (std::size_t i = 0; i < m_foundRows.size(); ++i) {
        if (focusedRow && m_foundPaths[i] == *focusedRow)
            take = m_foundRows[i];
    }
    take->setFocus(Qt::OtherFocusReason);
}

void SourceScreen::showState()
{
    std::optional<QString> problem = m_model.sourceProblem();
    if (!problem && m_model.unreadableDatabase())
        problem = app::AppModel::problemText(app::SourceKind::Unreadable, *m_model.unreadableDatabase());
    m_problem->setText(problem.value_or(QString()));
    m_problem->setVisible(problem.has_value());
    m_toolMissing->setVisible(m_model.backupToolInstalled() == false);
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
