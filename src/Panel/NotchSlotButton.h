#pragma once

#include "Template/NotchTemplateConfiguration.h"

#include "UI/HoverButton.h"

class QPainter;

// The look shared by every button of the header band beside the notch.
class NotchSlotButtonStyle {
public:
    // Side of the square that holds a symbol: the larger of the control font and symbol sizes, rounded up.
    static double labelSide(const NotchTemplateConfiguration::Layout& layout);
    static double minimumHeight(const NotchTemplateConfiguration::Layout& layout);
    static QColor foreground(const NotchTemplateConfiguration& configuration, bool pressed);
    static QColor fill(const NotchTemplateConfiguration& configuration, bool pressed, bool hovered);
    static double scale(bool pressed) { return pressed ? 0.97 : 1; }
    // The rounded background and its border, for a button occupying rect.
    static void paintBackground(QPainter& painter, const QRectF& rect, const NotchTemplateConfiguration& configuration,
                                bool pressed, bool hovered);
};

// A header button: NotchSlotButtonStyle around a label painted by the
// subclass, or around a single symbol. Never shows user text as button text.
class NotchSlotButton : public HoverButton {
    Q_OBJECT
public:
    explicit NotchSlotButton(QWidget* parent = nullptr);

    void setConfiguration(const NotchTemplateConfiguration& configuration);
    const NotchTemplateConfiguration& configuration() const { return m_configuration; }
    // A symbol label in a semibold system font of the control symbol size.
    void setSymbol(const QString& name);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    virtual QSizeF labelSize() const;
    virtual void paintLabel(QPainter& painter, const QRectF& rect, const QColor& foreground);

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    NotchTemplateConfiguration m_configuration;
    QString m_symbol;
};
