#pragma once

#include "file_drag.h"

#include <QIcon>
#include <QString>
#include <QWidget>

#include <optional>

namespace app
{
class AppModel;
class DesktopServices;
} // namespace app

namespace ui
{

class ChunkyButton;
class TextButton;

// One numbered instruction: the number on a cream disc, the text, and an optional smaller hint
// under it.
class Step : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Step)

public:
    Step(int n, const QString &text, const std::optional<QString> &hint, QWidget *parent = nullptr);

    static constexpr int discDiameter = 22;

    bool hasHint() const { return m_hasHint; }

private:
    bool m_hasHint = false;
};

// The application's icon, 52 by 52, which can be dragged out as the application's own file, for a
// permission list that takes applications by drag and drop.
class AppIconDrag : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppIconDrag)

public:
    explicit AppIconDrag(app::DesktopServices &services, QWidget *parent = nullptr);

    static constexpr int side = 52;

    // The file a drag offers, looked up when the drag starts.
    QString filePath() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    app::DesktopServices &m_services;
    QIcon m_icon;
    FileDragGesture m_gesture;
};

// Asks for Full Disk Access and waits for it: the model's access timer moves on by itself once the
// database can be read.
class AccessScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccessScreen)

public:
    explicit AccessScreen(app::AppModel &model, QWidget *parent = nullptr);

    ChunkyButton *openSettingsButton() const { return m_openSettings; }
    TextButton *quitAndReopenLink() const { return m_quitAndReopen; }

private:
    ChunkyButton *m_openSettings = nullptr;
    TextButton *m_quitAndReopen = nullptr;
};

} // namespace ui
