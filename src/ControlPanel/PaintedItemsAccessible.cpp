#include "ControlPanel/PaintedItemsAccessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {
class PaintedItemInterface;

// The widget, with one accessible child per painted item. Child interfaces are
// made on demand and kept for the life of this one; an item that no longer
// exists reads as invalid.
class PaintedItemsAccessible final : public QAccessibleWidget {
public:
    PaintedItemsAccessible(QWidget* widget, const PaintedItemsSource& source)
        : QAccessibleWidget(widget), m_source(source)
    {
    }
    ~PaintedItemsAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return QAccessibleWidget::childCount() + m_source.paintedItemCount(); }

    QAccessibleInterface* child(int index) const override;

    int indexOfChild(const QAccessibleInterface* child) const override;

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < m_source.paintedItemCount(); ++i) {
            if (m_source.paintedItem(i).rect.contains(local))
                return child(QAccessibleWidget::childCount() + i);
        }
        return QAccessibleWidget::childAt(x, y);
    }

    const PaintedItemsSource& source() const { return m_source; }
    bool isAlive() const { return !m_widget.isNull(); }
    QWidget* paintingWidget() const { return widget(); }

private:
    const PaintedItemsSource& m_source;
    QPointer<QWidget> m_widget{widget()};
    mutable QHash<int, QAccessible::Id> m_children;
};

class PaintedItemInterface final : public QAccessibleInterface {
public:
    PaintedItemInterface(const PaintedItemsAccessible* parent, int item) : m_parent(parent), m_item(item) {}

    bool isValid() const override { return m_parent->isAlive() && m_item < m_parent->source().paintedItemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_parent->window(); }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return const_cast<PaintedItemsAccessible*>(m_parent); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    int item() const { return m_item; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        const PaintedItem item = m_parent->source().paintedItem(m_item);
        switch (t) {
        case QAccessible::Name:
            return item.name;
        case QAccessible::Description:
            return item.description;
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = m_parent->source().paintedItem(m_item).rect;
        return QRect(m_parent->paintingWidget()->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override
    {
        return isValid() ? m_parent->source().paintedItem(m_item).role : QAccessible::NoRole;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const PaintedItem item = m_parent->source().paintedItem(m_item);
        state.invisible = !m_parent->paintingWidget()->isVisible();
        state.checkable = item.checked.has_value();
        state.checked = item.checked.value_or(false);
        return state;
    }

private:
    const PaintedItemsAccessible* m_parent;
    int m_item;
};

QAccessibleInterface* PaintedItemsAccessible::child(int index) const
{
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets)
        return QAccessibleWidget::child(index);
    const int item = index - widgets;
    if (item >= m_source.paintedItemCount())
        return nullptr;
    auto found = m_children.constFind(item);
    if (found == m_children.constEnd())
        found = m_children.insert(item, QAccessible::registerAccessibleInterface(new PaintedItemInterface(this, item)));
    return QAccessible::accessibleInterface(*found);
}

int PaintedItemsAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (child && child->parent() == this && !child->object())
        return QAccessibleWidget::childCount() + static_cast<const PaintedItemInterface*>(child)->item();
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface* paintedItemsFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (auto* source = dynamic_cast<PaintedItemsSource*>(object); widget && source)
        return new PaintedItemsAccessible(widget, *source);
    return nullptr;
}
} // namespace

void PaintedItemsSource::exposeToScreenReaders()
{
    static const bool installed = [] {
        QAccessible::installFactory(paintedItemsFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
