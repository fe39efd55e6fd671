#include "root_view.h"

#include "access_screen.h"
#include "accessibility.h"
#include "app/paths.h"
#include "backups_screen.h"
#include "contacts_screen.h"
#include "done_screen.h"
#include "list_screen.h"
#include "no_messages_screen.h"
#include "palette.h"
#include "password_screen.h"
#include "source_screen.h"
#include "welcome_screen.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>

namespace ui
{

namespace
{

// Paints the snapshot of the leaving screen; it takes no input, so the new screen answers at once.
class FadeLayer : public QWidget
{
public:
    FadeLayer(const QPixmap &picture, const qreal &opacity, QWidget *parent)
        : QWidget(parent)
        , m_picture(picture)
        , m_opacity(opacity)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setOpacity(m_opacity);
        painter.drawPixmap(0, 0, m_picture);
    }

private:
    const QPixmap &m_picture;
    const qreal &m_opacity;
};

// The frame that says "drop it here": a rounded accent border and a light wash over the screen. It
// takes no input, so the drop still reaches the view.
class DropFrame : public QWidget
{
public:
    explicit DropFrame(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor wash = Palette::accent();
        wash.setAlpha(28);
        const QRectF inside = QRectF(rect()).adjusted(6, 6, -6, -6);
        painter.setPen(QPen(Palette::accent(), 3, Qt::DashLine));
        painter.setBrush(wash);
        painter.drawRoundedRect(inside, 14, 14);
    }
};

} // namespace

RootView::RootView(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_shownPhase(model.phase())
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Palette::ink());
    palette.setColor(QPalette::Text, Palette::ink());
    setPalette(palette);

    m_fade.setStartValue(1.0);
    m_fade.setEndValue(0.0);
    m_fade.setDuration(transitionMilliseconds);
    m_fade.setEasingCurve(transitionCurve());
    connect(&m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_leavingOpacity = value.toReal();
        if (m_fadeLayer != nullptr)
            m_fadeLayer->update();
    });
    connect(&m_fade, &QVariantAnimation::finished, this, [this] {
        delete m_fadeLayer;
        m_fadeLayer = nullptr;
        m_leaving = QPixmap();
    });

    m_screen = makeScreen(m_shownPhase);
    m_screen->setGeometry(rect());
    connect(&model, &app::AppModel::phaseChanged, this, &RootView::showPhase);
    setAcceptDrops(model.choosesSources());
}

std::optional<std::filesystem::path> RootView::droppedSource(const QMimeData *data) const
{
    switch (m_model.phase()) {
    case app::AppModel::Phase::Source:
    case app::AppModel::Phase::Backups:
    case app::AppModel::Phase::Password:
    case app::AppModel::Phase::Contacts:
    case app::AppModel::Phase::List:
        break;
    case app::AppModel::Phase::Welcome:
    case app::AppModel::Phase::Access:
    case app::AppModel::Phase::NoMessages:
    case app::AppModel::Phase::Done:
        return std::nullopt;
    }
    if (!m_model.choosesSources() || data == nullptr || !data->hasUrls() || data->urls().size() != 1
        || !data->urls().constFirst().isLocalFile())
        return std::nullopt;
    return app::pathFrom(data->urls().constFirst().toLocalFile());
}

void RootView::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedSource(event->mimeData())) {
        event->acceptProposedAction();
        showDropFrame(true);
    }
}

void RootView::dragLeaveEvent(QDragLeaveEvent *event)
{
    QWidget::dragLeaveEvent(event);
    showDropFrame(false);
}

void RootView::showDropFrame(bool shown)
{
    if (m_dropFrame == nullptr)
        m_dropFrame = new DropFrame(this);
    m_dropFrame->setGeometry(rect());
    m_dropFrame->raise();
    m_dropFrame->setVisible(shown);
}

void RootView::dropEvent(QDropEvent *event)
{
    showDropFrame(false);
    if (const auto path = droppedSource(event->mimeData())) {
        event->acceptProposedAction();
        m_model.chooseSource(*path);
    }
}

QEasingCurve RootView::transitionCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

QWidget *RootView::makeScreen(app::AppModel::Phase phase)
{
    QWidget *screen = nullptr;
    switch (phase) {
    case app::AppModel::Phase::Welcome:
        screen = new WelcomeScreen(m_model, this);
        break;
    case app::AppModel::Phase::Access:
        screen = new AccessScreen(m_model, this);
        break;
    case app::AppModel::Phase::NoMessages:
        screen = new NoMessagesScreen(m_model, this);
        break;
    case app::AppModel::Phase::Source:
        screen = new SourceScreen(m_model, this);
        break;
    case app::AppModel::Phase::Backups:
        screen = new BackupsScreen(m_model, this);
        break;
    case app::AppModel::Phase::Password:
        screen = new PasswordScreen(m_model, this);
        break;
    case app::AppModel::Phase::Contacts:
        screen = new ContactsScreen(m_model, this);
        break;
    case app::AppModel::Phase::List:
        screen = new ListScreen(m_model, this);
        break;
    case app::AppModel::Phase::Done:
        screen = new DoneScreen(m_model, this);
        break;
    }
    return screen;
}

void RootView::showPhase()
{
    const app::AppModel::Phase phase = m_model.phase();
    if (phase == m_shownPhase && m_screen)
        return;
    m_shownPhase = phase;

    // What is on show now, a fade in progress included, is what fades out.
    if (isVisible()) {
        m_leaving = grab();
        m_fade.stop();
        if (m_fadeLayer == nullptr)
            m_fadeLayer = new FadeLayer(m_leaving, m_leavingOpacity, this);
    }
    // The old screen may be in the middle of handling the click that changed the phase: hide it now
    // and let it go once control is back in the event loop.
    if (m_screen) {
        // The keyboard focus does not stay behind on a control of the old screen, which would
        // otherwise still take Return and Space until it is deleted: the window holds it until Tab
        // or the new screen hands it on.
        if (m_screen->isAncestorOf(QApplication::focusWidget()))
            window()->setFocus(Qt::OtherFocusReason);
        m_screen->hide();
        m_screen->deleteLater();
    }
    m_screen = makeScreen(phase);
    m_screen->setGeometry(rect());
    m_screen->show();

    if (m_fadeLayer != nullptr) {
        m_leavingOpacity = 1.0;
        m_fadeLayer->setGeometry(rect());
        m_fadeLayer->raise();
        m_fadeLayer->show();
        m_fade.start();
    }
}

void RootView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_screen)
        m_screen->setGeometry(rect());
    if (m_fadeLayer != nullptr)
        m_fadeLayer->setGeometry(rect());
    if (m_dropFrame != nullptr)
        m_dropFrame->setGeometry(rect());
}

void RootView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Palette::cream());
}

} // namespace ui
