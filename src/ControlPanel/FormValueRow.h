#pragma once

#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;

// A settings row: optional symbol, title and subtitle, and a trailing control.
class FormValueRow : public QWidget {
    Q_OBJECT
public:
    FormValueRow(const std::optional<QString>& systemImage, const QString& title, const QString& subtitle,
                 bool showsDivider, QWidget* trailing, QWidget* parent = nullptr);

    void setSubtitle(const QString& subtitle);
    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }
    QWidget* trailing() const { return m_trailing; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_title;
    QLabel* m_subtitle;
    QWidget* m_trailing;
    bool m_showsDivider;
};

// A settings row whose trailing control is a small bordered button.
class FormActionRow final : public FormValueRow {
    Q_OBJECT
public:
    FormActionRow(const std::optional<QString>& systemImage, const QString& title, const QString& subtitle,
                  const QString& buttonTitle, bool showsDivider, std::function<void()> action,
                  QWidget* parent = nullptr);

    QPushButton* button() const;
};
