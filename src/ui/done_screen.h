#pragma once

#include "file_drag.h"

#include <QIcon>
#include <QString>
#include <QWidget>

class QVBoxLayout;

namespace app
{
class AppModel;
struct Exported;
} // namespace app

class QLabel;

namespace ui
{

class ChunkyButton;
class CopyPanel;
class ElidedLabel;
class TextButton;

// The written file as a card with a dashed accent border: its icon, name and message count. The
// whole card is a drag source offering the file itself.
class FileCard : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileCard)

public:
    FileCard(const app::Exported &exported, const QIcon &icon, QWidget *parent = nullptr);

    static constexpr int cornerRadius = 16;
    static constexpr qreal borderWidth = 1.5;
    static constexpr int iconSide = 40;

    const QString &filePath() const { return m_path; }
    ElidedLabel *nameLabel() const { return m_name; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QString m_path;
    QIcon m_icon;
    ElidedLabel *m_name = nullptr;
    FileDragGesture m_gesture;
};

// After an export: where the file went, the file to drag into the browser, and the ways on.
class DoneScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DoneScreen)

public:
    explicit DoneScreen(app::AppModel &model, QWidget *parent = nullptr);

    // Null when the model holds no export.
    FileCard *fileCard() const { return m_fileCard; }
    ChunkyButton *uploadButton() const { return m_upload; }
    ChunkyButton *showInFinderButton() const { return m_showInFinder; }
    TextButton *exportAnotherButton() const { return m_exportAnother; }
    CopyPanel *copyPanel() const { return m_copyPanel; }
    // "Saved in <folder>!" by the folder's own name, and the folder's full path below.
    QLabel *titleLabel() const { return m_title; }
    QLabel *folderLabel() const { return m_folder; }

private:
    // Shows the title, folder and card of the model's export, or no card when it holds none.
    void showExported();

    app::AppModel &m_model;
    QLabel *m_title = nullptr;
    QLabel *m_folder = nullptr;
    QVBoxLayout *m_cardSlot = nullptr;
    FileCard *m_fileCard = nullptr;
    ChunkyButton *m_upload = nullptr;
    ChunkyButton *m_showInFinder = nullptr;
    TextButton *m_exportAnother = nullptr;
    CopyPanel *m_copyPanel = nullptr;
};

} // namespace ui
