#pragma once

#include "UI/Motion.h"
#include "Panel/SortingGlowPhase.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QConicalGradient>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <vector>

// The four AI colours as a ring gradient about a centre. Angles are degrees
// clockwise from three o'clock; stops are (location, colour) pairs going
// clockwise from there.
QConicalGradient sortingRingGradient(const QPointF& centre, double startAngle,
                                     const QList<QPair<double, QColor>>& clockwiseStops);

// Draws the image scaled into target in bands of a few dozen scanlines. Qt's
// raster engine hands taller fills to its thread pool, whose wake-ups cost
// more than these small, frequent pictures take to draw on the GUI thread.
void drawImageInBands(QPainter& painter, const QRectF& target, const QImage& image);

// The static AI gradient stroked along the panel's rim while a sort runs,
// drawn inside the panel. It fades in and out with the sorting state and
// ticks only while it fades.
class SortingEdgeHighlight final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        bool isActive = false;
        QRectF surface; // where the panel's outline is, in this widget
        double cornerRadius = 0;
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        bool reduceMotion = false;
    };

    explicit SortingEdgeHighlight(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock);

    void setInputs(const Inputs& inputs);
    double opacity() const;
    bool isTicking() const { return m_animator.isRunning(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void frame();
    void refreshEdgeImage();
    QConicalGradient edgeGradient() const;

    Inputs m_inputs;
    std::function<double()> m_clock;
    mutable Motion::Value m_opacity{0};
    Motion::Animator m_animator;
    QImage m_edge; // the blurred inner edge, rebuilt only when the outline changes
    QRectF m_edgeSurface;
    double m_edgeRadius = -1;
};

// The rotating, breathing glow behind the panel while a sort runs. Its phase
// comes from the wall clock; it ticks while active or fading out and while a
// compositor shows it, and is hidden, costing nothing, otherwise.
class SortingAmbientGlow final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        bool isActive = false;
        QRectF panelRect; // the panel's current outline frame, in this widget
        double cornerRadius = 0;
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        bool reduceMotion = false;
    };

    // clock drives the fades; phaseClock turns the glow, on the wall clock.
    explicit SortingAmbientGlow(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock,
                                std::function<double()> phaseClock = &Motion::wallClock);

    void setInputs(const Inputs& inputs);
    double opacity() const;
    bool isTicking() const { return m_animator.isRunning(); }

    // One frame of the glow into the painter, as paintEvent draws it.
    void paintGlow(QPainter& painter);
    // Where a frame can change pixels.
    QRegion visibleRegion() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void frame();
    void refresh();

    Inputs m_inputs;
    std::function<double()> m_clock;
    std::function<double()> m_phaseClock;
    // Without a compositor the window keeps only the panel's own shape: a glow around it is never seen.
    bool m_compositing = true;
    mutable Motion::Value m_opacity{0};
    Motion::Animator m_animator;
    // The blurred rings as white masks, redrawn only when the outline changes.
    QImage m_haloMask;
    QImage m_edgeMask;
    QSizeF m_maskSize;
    double m_maskRadius = -1;
    SortingGlowLengths m_maskLengths;
    // Each small pixel's angle about the centre (tenths of a degree) and the gradient's colours.
    std::vector<int> m_pixelAngles;
    std::vector<QRgb> m_ringColors;
    double m_lastFrame = 0;
};
