#pragma once

#include "Overlay/NotchOverlayMetrics.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QPainterPath>
#include <QWidget>
#include <functional>

// The panel's root view as the overlay controller sees it. The views sit above
// the overlay, so whoever assembles the notch builds the view and hands the
// controller a factory for it.
class NotchRootView : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchOverlayMetrics metrics;
        NotchTemplateConfiguration configuration;
        bool reduceMotion = false;
    };

    using QWidget::QWidget;

    // A new geometry updates the views in place.
    virtual void setInputs(const Inputs& inputs) = 0;
    // The surface as it is drawn now, in this view's coordinates.
    virtual QPainterPath visibleShape() const = 0;

signals:
    // Everything outside this path is transparent.
    void visibleShapeChanged(const QPainterPath& shape);
    // The composer wants the keyboard / the panel collapsed and gives it back.
    void keyboardFocusRequested();
    void keyboardFocusReleased();
};

using NotchRootViewFactory = std::function<NotchRootView*()>;
