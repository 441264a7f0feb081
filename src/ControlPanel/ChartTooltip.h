#pragma once

#include <QMargins>
#include <QWidget>
#include <optional>

// The card above a hovered day: its date, its count and, for the best day, an insight.
class ChartTooltip final : public QWidget {
    Q_OBJECT
public:
    explicit ChartTooltip(QWidget* parent = nullptr);

    void setContent(const QString& dateText, const QString& countText, const std::optional<QString>& insight);
    const QString& dateText() const { return m_dateText; }
    const QString& countText() const { return m_countText; }
    const std::optional<QString>& insight() const { return m_insight; }

    QSize sizeHint() const override;
    // Room around the card for its shadow, inside this widget.
    static QMargins cardMargins();
    // 0 gone, 1 fully shown: fades and grows from 96 % about its centre.
    void setPresence(double presence);
    double presence() const { return m_presence; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_dateText;
    QString m_countText;
    std::optional<QString> m_insight;
    double m_presence = 1;
};
