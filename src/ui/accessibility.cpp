#include "accessibility.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace ui
{

namespace
{

constexpr const char *decorativeProperty = "tovikDecorative";
constexpr const char *roleProperty = "tovikAccessibleRole";
constexpr const char *busyProperty = "tovikBusy";

bool isDecorative(const QObject *object)
{
    return object->property(decorativeProperty).toBool();
}

// A plain widget as assistive tools see it: the role it was given, busy when marked so, and its
// children without the decorative ones.
class KitAccessible : public QAccessibleWidget
{
public:
    explicit KitAccessible(QWidget *widget)
        : QAccessibleWidget(widget, widget->isWindow() ? QAccessible::Window : QAccessible::Client)
    {
    }

    QAccessible::Role role() const override
    {
        const QVariant given = widget()->property(roleProperty);
        return given.isValid() ? static_cast<QAccessible::Role>(given.toInt()) : QAccessibleWidget::role();
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (widget()->property(busyProperty).toBool())
            state.busy = true;
        return state;
    }

    int childCount() const override { return static_cast<int>(children().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> shown = children();
        if (index < 0 || index >= shown.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(shown.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (child == nullptr)
            return -1;
        return static_cast<int>(children().indexOf(qobject_cast<QWidget *>(child->object())));
    }

private:
    // The child widgets the base class would list, less the decorative ones.
    QList<QWidget *> children() const
    {
        QList<QWidget *> shown;
        for (QObject *object : widget()->children()) {
            auto *child = qobject_cast<QWidget *>(object);
            if (child != nullptr && !child->isWindow() && !isDecorative(child))
                shown.append(child);
        }
        return shown;
    }
};

// Asked for every class of a widget, most derived first; Qt's own interfaces answer for its
// widget classes before the chain reaches plain QWidget, which is where the kit's widgets and
// containers arrive.
QAccessibleInterface *kitFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QWidget") || !object->isWidgetType())
        return nullptr;
    return new KitAccessible(static_cast<QWidget *>(object));
}

void installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(kitFactory);
        return true;
    }();
    (void)installed;
}

} // namespace

void markDecorative(QWidget *widget)
{
    installFactory();
    widget->setProperty(decorativeProperty, true);
}

void describeAccessibly(QWidget *widget, QAccessible::Role role, const QString &name, const QString &description)
{
    installFactory();
    widget->setProperty(roleProperty, static_cast<int>(role));
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

void markBusy(QWidget *widget, bool busy)
{
    installFactory();
    widget->setProperty(busyProperty, busy);
}

} // namespace ui
