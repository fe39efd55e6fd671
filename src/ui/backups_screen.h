#pragma once

#include "sources/discovery.h"
#include "sources/message_sources.h"

#include <QAbstractButton>
#include <QWidget>

#include <vector>

namespace app
{
class AppModel;
}

namespace ui
{

class TextButton;

// One backup in the picker: the device's name, when the backup was made, and whether it is
// encrypted or incomplete. The whole row is a button. Tab reaches it; focused, it shows the focus
// ring, takes Space, Return and Enter itself, and Up, Down, Home and End move the focus to the
// row above, below, first or last.
class BackupRow : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupRow)

public:
    explicit BackupRow(const sources::BackupDescription &backup, QWidget *parent = nullptr);
    // A row of a source found without asking: a backup, or a Messages database.
    explicit BackupRow(const sources::FoundSource &found, QWidget *parent = nullptr);

    const sources::BackupDescription &backup() const { return m_backup; }
    // The row's words as drawn: name, then date and marks.
    QString title() const { return m_title; }
    QString details() const { return m_details; }
    // True when the name or the details line is cut at the row's width.
    bool isCut() const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setUp();
    // Where the name and the details line are drawn.
    QRect wordsRect() const;

    sources::BackupDescription m_backup;
    QString m_title;
    QString m_details;
};

// The backups found in the chosen folder, to pick one from, and the way back to the source step.
class BackupsScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupsScreen)

public:
    explicit BackupsScreen(app::AppModel &model, QWidget *parent = nullptr);

    const std::vector<BackupRow *> &rows() const { return m_rows; }
    TextButton *backButton() const { return m_back; }

private:
    std::vector<BackupRow *> m_rows;
    TextButton *m_back = nullptr;
};

} // namespace ui
