#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <optional>
#include <vector>

class QLabel;

namespace app
{
class AppModel;
}

namespace ui
{

class BackupRow;
class ChunkyButton;
class TextButton;

// The file chooser of the source step: a Messages database file or a folder (a backup, or a
// folder of backups). Double-clicking a folder goes into it; Open takes what is selected, a folder
// included, or the folder shown when nothing is.
class SourceDialog : public QFileDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SourceDialog)

public:
    explicit SourceDialog(QWidget *parent = nullptr);

    // What was chosen, once the dialog was accepted.
    const std::optional<std::filesystem::path> &chosen() const { return m_chosen; }

public Q_SLOTS:
    void accept() override;

private:
    std::optional<std::filesystem::path> m_chosen;
};

// Where the messages come from: a Mac's chat.db or an iPhone backup, how to make a backup, what
// was wrong with the path chosen last, and the one button that opens the chooser. A file or folder
// dropped onto the window is taken as well (the root view does that).
class SourceScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SourceScreen)

public:
    explicit SourceScreen(app::AppModel &model, QWidget *parent = nullptr);

    // The commands that make a backup of a connected iPhone on Linux, one a line.
    static QString backupCommand();

    ChunkyButton *chooseButton() const { return m_choose; }
    QLabel *problemLabel() const { return m_problem; }
    QWidget *checkingRow() const { return m_checking; }
    // The chooser while it is open.
    SourceDialog *dialog() const { return m_dialog; }
    // The sources found without asking, newest first, and the forget button beside each recent one.
    const std::vector<BackupRow *> &foundRows() const { return m_foundRows; }
    const std::vector<TextButton *> &forgetButtons() const { return m_forgetButtons; }
    QLabel *toolMissingLabel() const { return m_toolMissing; }

private:
    void showState();
    void showFound();
    void openDialog();

    app::AppModel &m_model;
    ChunkyButton *m_choose = nullptr;
    QLabel *m_problem = nullptr;
    QWidget *m_checking = nullptr;
    QWidget *m_found = nullptr;
    QWidget *m_foundList = nullptr;
    QWidget *m_looking = nullptr;
    QLabel *m_toolMissing = nullptr;
    std::vector<BackupRow *> m_foundRows;
    std::vector<std::filesystem::path> m_foundPaths; // the path of each row, in order
    std::vector<TextButton *> m_forgetButtons;
    QPointer<SourceDialog> m_dialog;
};

} // namespace ui
