#pragma once

#include <QString>
#include <QWidget>

// Stands in for a slide video that cannot be shown: a photo symbol, a title
// and a message, centred on black in a dark scheme and on white otherwise.
class OnboardingPlaceholderView : public QWidget {
    Q_OBJECT
public:
    OnboardingPlaceholderView(const QString& title, const QString& message, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    QString message() const { return m_message; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_message;
};
