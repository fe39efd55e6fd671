#include "main_window.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "interface_font.h"
#include "palette.h"
#include "resources.h"
#include "root_view.h"

#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyleFactory>

namespace ui
{

MainWindow::MainWindow(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    setWindowTitle(app::applicationName());
    setWindowIcon(model.services().applicationIcon());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Palette::cream());
    setPalette(palette);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_root = new RootView(model);
    m_root->setFixedSize(contentWidth, contentHeight);
    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own for Tab: it scrolls to whatever control takes the focus.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(m_root);
    layout->addWidget(m_scroll);
    // Whatever takes the focus, by Tab or otherwise, is scrolled into sight.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now != nullptr && m_root->isAncestorOf(now))
            m_scroll->ensureWidgetVisible(now, 0, 8);
    });
    fitToScreen();
    // Each sequence once: two shortcuts on one sequence are ambiguous, and Qt then fires neither.
    QList<QKeySequence> closing =
        QKeySequence::keyBindings(QKeySequence::Quit) + QKeySequence::keyBindings(QKeySequence::Close);
    closing << QKeySequence(Qt::CTRL | Qt::Key_Q) << QKeySequence(Qt::CTRL | Qt::Key_W);
    QList<QKeySequence> distinct;
    for (const QKeySequence &keys : closing) {
        if (!keys.isEmpty() && !distinct.contains(keys))
            distinct.append(keys);
    }
    for (const QKeySequence &keys : distinct)
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_model.canGoBack()) {
        m_model.goBack();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainWindow::scrolls() const
{
    return m_scroll->verticalScrollBar()->maximum() > 0;
}

void MainWindow::bringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::chooseContactsFile(std::function<void(std::optional<QString> chosen)> done)
{
    m_contactsChooser.choose(this, m_model.contactsFileFolder(), std::move(done));
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Now the window knows its screen, and often its frame.
    fitToScreen();
    // The window keeps the focus itself until Tab or a screen hands it on, so that no control
    // shows the focus ring before the keyboard is used.
    if (focusWidget() == nullptr)
        setFocus(Qt::OtherFocusReason);
}

void MainWindow::fitToScreen()
{
    int available = contentHeight;
    if (const QScreen *screen = this->screen()) {
        const int frame = frameGeometry().height() - geometry().height();
        available = screen->availableGeometry().height() - (frame > 0 ? frame : titleBarAllowance);
    }
    if (available >= contentHeight) {
        // No bar at all: one left over from a layout made before the window had its size would
        // otherwise cover the right edge of the content.
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFixedSize(contentWidth, contentHeight);
        return;
    }
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The scroll bar takes its own room beside the content rather than covering it.
    const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
    setFixedSize(contentWidth + bar, std::max(available, 1));
}

void applyLightLook()
{
    ensureResources();
    useInterfaceFont();
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QPalette palette;
    palette.setColor(QPalette::Window, Palette::cream());
    palette.setColor(QPalette::WindowText, Palette::ink());
    palette.setColor(QPalette::Base, Palette::white());
    palette.setColor(QPalette::AlternateBase, Palette::cream());
    palette.setColor(QPalette::Text, Palette::ink());
    palette.setColor(QPalette::PlaceholderText, Palette::muted());
    palette.setColor(QPalette::Button, Palette::white());
    palette.setColor(QPalette::ButtonText, Palette::ink());
    palette.setColor(QPalette::Highlight, Palette::accent());
    palette.setColor(QPalette::HighlightedText, Palette::white());
    palette.setColor(QPalette::ToolTipBase, Palette::white());
    palette.setColor(QPalette::ToolTipText, Palette::ink());
    QApplication::setPalette(palette);
}

} // namespace ui
