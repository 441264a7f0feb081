#pragma once

#include "ControlPanel/ControlPanelViewModel.h"

#include <QWidget>

// A capsule with a short status word in the colours of its tint.
class OutlineStatusBadge final : public QWidget {
    Q_OBJECT
public:
    OutlineStatusBadge(QString title, ControlPanelStatusTint tint, QWidget* parent = nullptr);

    void setTitle(const QString& title, ControlPanelStatusTint tint);
    const QString& title() const { return m_title; }
    ControlPanelStatusTint tint() const { return m_tint; }

    QSize sizeHint() const override;
    // Paints a badge of sizeFor() into `rect` of another widget's painter.
    static QSize sizeFor(const QString& title);
    static void paint(QPainter& painter, const QRectF& rect, const QString& title, ControlPanelStatusTint tint,
                      const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    ControlPanelStatusTint m_tint;
};
