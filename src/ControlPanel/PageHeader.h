#pragma once

#include <QWidget>

class QLabel;

// The large title at the top of a page, an optional subtitle, and an accessory on the right.
class PageHeader final : public QWidget {
    Q_OBJECT
public:
    explicit PageHeader(QWidget* parent = nullptr);

    // An empty subtitle leaves no second line and no gap; the accessory is
    // reparented here and replaces the previous one (which is hidden, not deleted).
    void setContent(const QString& title, const QString& subtitle, QWidget* accessory);

    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }

private:
    QLabel* m_title;
    QLabel* m_subtitle;
    class QVBoxLayout* m_texts;
    class QHBoxLayout* m_row;
    QWidget* m_accessory = nullptr;
};
