#pragma once

#include <QPainterPath>
#include <QVBoxLayout>
#include <QWidget>

// The rounded card that groups rows on a page. The card keeps a margin for its
// shadow; rows inside clip their hover fill to cardShape().
class GroupedCard : public QWidget {
    Q_OBJECT
public:
    enum class Look { plain, history };

    explicit GroupedCard(Look look, QWidget* parent = nullptr);

    QVBoxLayout* rows() const { return m_rows; }
    QRectF cardRect() const;
    QPainterPath cardShape() const;
    // The card's shape in the coordinates of `child`, a widget inside it.
    QPainterPath cardShapeFor(const QWidget* child) const;

    static constexpr int shadowMargin = 14;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
    QVBoxLayout* m_rows;
};

// Holds the overview page's action rows.
class GroupedOverviewRows final : public GroupedCard {
public:
    explicit GroupedOverviewRows(QWidget* parent = nullptr) : GroupedCard(Look::plain, parent) {}
};

// Holds the settings page's form rows.
class GroupedFormCard final : public GroupedCard {
public:
    explicit GroupedFormCard(QWidget* parent = nullptr) : GroupedCard(Look::plain, parent) {}
};

// Holds one day of history rows, spaced apart on a lighter card.
class GroupedHistoryRows final : public GroupedCard {
public:
    explicit GroupedHistoryRows(QWidget* parent = nullptr) : GroupedCard(Look::history, parent) {}
};
