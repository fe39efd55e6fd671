#pragma once

#include <QWidget>

class QLineEdit;

namespace ui
{

// The list's search box: a magnifying glass and a borderless one-line input with a placeholder, on
// a white rounded face with a border, drawn in the accent colour while the input has the focus.
class SearchField : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchField)

public:
    explicit SearchField(const QString &placeholder, QWidget *parent = nullptr);

    static constexpr int cornerRadius = 14;
    static constexpr qreal borderWidth = 1.5;

    QLineEdit *input() const { return m_input; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_input = nullptr;
};

} // namespace ui
