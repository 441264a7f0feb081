#pragma once

#include "ControlPanel/ControlPanelViewModel.h"
#include "ControlPanel/HistoryTaskRow.h"
#include "ControlPanel/PaintedItemsAccessible.h"
#include "UI/Motion.h"

#include <QHash>
#include <QUuid>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

// The count of completed tasks and the "Clear All History" button beside the page title.
class HistoryHeaderAccessory final : public QWidget {
    Q_OBJECT
public:
    explicit HistoryHeaderAccessory(QWidget* parent = nullptr);

    void setTotal(qsizetype total);
    std::function<void()> onClearAll;

    QLabel* countLabel() const { return m_count; }
    QPushButton* clearButton() const { return m_clear; }

private:
    QLabel* m_count;
    QPushButton* m_clear;
};

// Every completed task, grouped by day, newest day first. The list is painted
// as one widget so that years of history stay cheap; a row keeps its hover and
// appearance state by task id across updates.
class HistoryPage final : public QWidget, public PaintedItemsSource {
    Q_OBJECT
public:
    explicit HistoryPage(bool reduceMotion, QWidget* parent = nullptr);
    ~HistoryPage() override;

    void setSections(QList<ControlPanelViewModel::CompletedSection> sections);
    const QList<ControlPanelViewModel::CompletedSection>& sections() const { return m_sections; }
    bool isEmptyState() const { return m_sections.isEmpty(); }

    // Layout, in this widget's coordinates.
    QRect rowRect(const QUuid& id) const;
    QRect dayHeaderRect(const QString& sectionID) const;
    std::optional<QUuid> rowAt(const QPoint& position) const;
    const HistoryTaskRow* row(const QUuid& id) const;
    bool isAnimating() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // For screen readers: each day's header and rows, or the empty state.
    int paintedItemCount() const override;
    PaintedItem paintedItem(int index) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct DayLayout {
        int headerTop = 0;
        int headerHeight = 0;
        QRect card;
        QList<QRect> rows;
    };
    void relayout();
    void setHoveredRow(std::optional<QUuid> id);
    void paintEmptyState(QPainter& painter);

    bool m_reduceMotion;
    QList<ControlPanelViewModel::CompletedSection> m_sections;
    QList<DayLayout> m_layout;
    // Each painted item as (day, row), the row -1 for the day's header.
    QList<std::pair<qsizetype, qsizetype>> m_items;
    int m_contentHeight = 0;
    QHash<QUuid, HistoryTaskRow> m_rows;
    QHash<QUuid, double> m_appearAt;
    std::optional<QUuid> m_hovered;
    double m_shownAt = 0;
    bool m_hasWaitingRows = false;
    Motion::Animator m_animator;
};
