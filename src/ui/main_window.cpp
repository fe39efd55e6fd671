#include "main_window.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "palette.h"
#include "resources.h"
#include "root_view.h"

#include <QApplication>
#include <QBoxLayout>
#include <QStyleFactory>

namespace ui
{

MainWindow::MainWindow(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(app::applicationName());
    setWindowIcon(model.services().applicationIcon());
    setFixedSize(contentWidth, contentHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Palette::cream());
    setPalette(palette);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_root = new RootView(model);
    layout->addWidget(m_root);
}

void applyLightLook()
{
    ensureResources();
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
