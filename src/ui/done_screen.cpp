#include "done_screen.h"

#include "accessibility.h"
#include "app/app_model.h"
#include "app/texts.h"
#include "chunky_button.h"
#include "copy_panel.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "resources.h"
#include "screen_kit.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace ui
{

namespace
{

// A fixed-size picture of an icon.
class IconView : public QWidget
{
public:
    IconView(const QIcon &icon, int side, QWidget *parent = nullptr)
        : QWidget(parent)
        , m_icon(icon)
    {
        setFixedSize(side, side);
        markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_icon.paint(&painter, rect());
    }

private:
    QIcon m_icon;
};

// The drag-hint pictogram, drawn from its vector image.
class DragHint : public QWidget
{
public:
    explicit DragHint(QWidget *parent = nullptr)
        : QWidget(parent)
        , m_picture(imagePath(QStringLiteral("HandDraw")))
    {
        setFixedSize(24, 24);
        markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_picture.render(&painter, QRectF(rect()));
    }

private:
    QSvgRenderer m_picture;
};

} // namespace

FileCard::FileCard(const app::Exported &exported, const QIcon &icon, QWidget *parent)
    : QWidget(parent)
    , m_path(exported.path)
    , m_icon(icon)
{
    setCursor(Qt::OpenHandCursor);
    describeAccessibly(this, QAccessible::Grouping, QFileInfo(exported.path).fileName(),
                       app::messageCount(exported.messages));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    row->addWidget(new IconView(icon, iconSide), 0, Qt::AlignVCenter);

    auto *words = new QVBoxLayout;
    words->setSpacing(2);
    m_name = new ElidedLabel(QFileInfo(exported.path).fileName(), uiFont(14, QFont::DemiBold), Palette::ink());
    words->addWidget(m_name);
    words->addWidget(makeLabel(app::messageCount(exported.messages), uiFont(12), Palette::muted(), Lines::OneLine));
    row->addLayout(words, 1);

    row->addWidget(new DragHint, 0, Qt::AlignVCenter);
}

void FileCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The border lies inside the edge.
    const qreal inset = borderWidth / 2;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
    painter.fillPath(outline, Palette::white());
    QPen dashed(Palette::accent(), borderWidth);
    // Dash lengths are in units of the pen width.
    dashed.setDashPattern({6 / borderWidth, 4 / borderWidth});
    painter.strokePath(outline, dashed);
}

void FileCard::mousePressEvent(QMouseEvent *event)
{
    m_gesture.press(*event);
}

void FileCard::mouseMoveEvent(QMouseEvent *event)
{
    m_gesture.move(this, *event, m_path, m_icon.pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));
}

DoneScreen::DoneScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32);
    column->setSpacing(0);

    addFlexibleSpace(column, 20);
    column->addWidget(new Owl(QStringLiteral("laugh"), 150), 0, Qt::AlignHCenter);
    column->addSpacing(10);
    m_title = makeLabel(QString(), uiFont(28, QFont::DemiBold), Palette::ink(), Lines::Wrap, Qt::AlignHCenter);
    column->addWidget(m_title);
    column->addSpacing(4);
    // The folder's full path, for a name such as "Herunterladen" that the file manager may show
    // under another; selectable, to be copied.
    m_folder = makeLabel(QString(), uiFont(12), Palette::muted(), Lines::Wrap, Qt::AlignHCenter);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_folder);
    column->addSpacing(8);
    column->addWidget(
        makeLabel(app::qs(l10n::doneBody()), uiFont(14), Palette::muted(), Lines::Wrap, Qt::AlignHCenter));

    m_cardSlot = new QVBoxLayout;
    m_cardSlot->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_cardSlot);
    showExported();
    connect(&model, &app::AppModel::exportedChanged, this, &DoneScreen::showExported);

    addFlexibleSpace(column, 20);
    m_upload = arrowButton(l10n::uploadButton());
    column->addWidget(m_upload);
    setDefaultButton(this, m_upload);
    connect(m_upload, &ChunkyButton::clicked, &model, &app::AppModel::openUploadPage);

    addSpacingAfterButton(column, 12);
    m_showInFinder = new ChunkyButton(app::qs(l10n::showInFinder()), ChunkyButton::Look::Secondary);
    column->addWidget(m_showInFinder);
    connect(m_showInFinder, &ChunkyButton::clicked, &model, &app::AppModel::revealInFinder);

    addSpacingAfterButton(column, 14);
    m_exportAnother = new TextButton(app::qs(l10n::exportAnother()), uiFont(13, QFont::Medium), Palette::muted());
    column->addWidget(m_exportAnother);

    m_copyPanel = new CopyPanel(model);
    // Its place is kept while it is hidden, so that nothing above moves when it appears.
    QSizePolicy keepsItsPlace = m_copyPanel->sizePolicy();
    keepsItsPlace.setRetainSizeWhenHidden(true);
    m_copyPanel->setSizePolicy(keepsItsPlace);
    column->addWidget(m_copyPanel);
    connect(m_exportAnother, &TextButton::clicked, &model, &app::AppModel::backToList);
}

void DoneScreen::showExported()
{
    delete m_fileCard;
    m_fileCard = nullptr;
    const std::optional<app::Exported> &exported = m_model.exported();
    m_cardSlot->setContentsMargins(0, exported ? 22 : 0, 0, 0);
    const QString folder = exported ? exported->folder : QString();
    m_title->setText(app::savedInText(folder));
    m_folder->setText(folder);
    m_folder->setVisible(!folder.isEmpty());
    if (!exported)
        return;
    m_fileCard = new FileCard(*exported, m_model.services().fileIcon(exported->path));
    m_cardSlot->addWidget(m_fileCard);
}

} // namespace ui
