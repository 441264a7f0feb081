#include "Panel/SortingEffects.h"

#include "Platform/CompositorMonitor.h"
#include "UI/BlurHelper.h"
#include "Panel/NotchBorderShape.h"
#include "Panel/NotchShape.h"
#include "Panel/SortingGlowPhase.h"
#include "UI/TemplateStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>
#include <vector>

QConicalGradient sortingRingGradient(const QPointF& centre, double startAngle,
                                     const QList<QPair<double, QColor>>& clockwiseStops)
{
    // Qt's conical gradient turns anticlockwise: start at minus the angle and
    // mirror the stop locations.
    QConicalGradient gradient(centre, -startAngle);
    for (const auto& [location, color] : clockwiseStops)
        gradient.setColorAt(std::clamp(1.0 - location, 0.0, 1.0), color);
    return gradient;
}

void drawImageInBands(QPainter& painter, const QRectF& target, const QImage& image)
{
    if (image.isNull() || target.isEmpty())
        return;
    constexpr double band = 48; // device lines per call, under the engine's threading threshold
    const double yScale = image.height() / target.height();
    const double scale = std::max(1.0, std::abs(painter.worldTransform().m22()));
    const double step = band / scale;
    for (double y = target.top(); y < target.bottom(); y += step) {
        const double h = std::min(step, target.bottom() - y);
        painter.drawImage(QRectF(target.left(), y, target.width(), h), image,
                          QRectF(0, (y - target.top()) * yScale, image.width(), h * yScale));
    }
}

namespace {
Motion::Animation fade(const NotchTemplateConfiguration& configuration, bool reduceMotion, Motion::Curve curve,
                       double duration)
{
    return Motion::Animation::timed(curve, reduceMotion ? configuration.interaction.reducedMotionDuration : duration);
}

QPen ringPen(const QBrush& brush, double width)
{
    QPen pen(brush, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

QList<QPair<double, QColor>> glowStops(const NotchTemplateConfiguration::Appearance& appearance)
{
    const QColor blue = TemplateStyle::color(appearance.aiGlowBlueColor);
    return {{0.0, blue},
            {0.25, TemplateStyle::color(appearance.aiGlowVioletColor)},
            {0.5, TemplateStyle::color(appearance.aiGlowMagentaColor)},
            {0.75, TemplateStyle::color(appearance.aiGlowOrangeColor)},
            {1.0, blue}};
}

// How far a blurred, scaled ring reaches beyond the outline.
double ringMargin(const QRectF& outline, double lineWidth, double blurRadius, double scale)
{
    return lineWidth + 2 * blurRadius + outline.width() * std::abs(scale - 1) + 2;
}

// The border stroked with the brush, scaled about the outline's centre,
// painted small over `target` (a multiple of `downscale` in size) and blurred.
QImage blurredRing(const QRectF& outline, const QRectF& target, double radius, const QBrush& brush,
                   double lineWidth, double scale, double blurRadius, int downscale)
{
    const QSize size(std::max(1, int(std::ceil(target.width() / downscale))),
                     std::max(1, int(std::ceil(target.height() / downscale))));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(1.0 / downscale, 1.0 / downscale);
        painter.translate(-target.topLeft());
        const QPointF centre = outline.center();
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.translate(-centre);
        painter.strokePath(NotchBorderShape{radius}.path(outline), ringPen(brush, lineWidth));
    }
    return BlurHelper::blurred(image, blurRadius / downscale, 1);
}

// The ring gradient's colour at every tenth of a degree, clockwise from its start.
std::vector<QRgb> ringColors(const QList<QPair<double, QColor>>& stops)
{
    constexpr int steps = 3600;
    std::vector<QRgb> colors(steps);
    for (int i = 0; i < steps; ++i) {
        const double location = double(i) / steps;
        qsizetype next = 1;
        while (next < stops.size() - 1 && stops[next].first < location)
            ++next;
        const auto& [l0, c0] = stops[next - 1];
        const auto& [l1, c1] = stops[next];
        const double t = l1 > l0 ? std::clamp((location - l0) / (l1 - l0), 0.0, 1.0) : 0.0;
        const auto mix = [t](float a, float b) { return a + (b - a) * float(t); };
        colors[size_t(i)] = QColor::fromRgbF(mix(c0.redF(), c1.redF()), mix(c0.greenF(), c1.greenF()),
                                             mix(c0.blueF(), c1.blueF()), mix(c0.alphaF(), c1.alphaF()))
                                .rgba();
    }
    return colors;
}

constexpr int glowDownscale = 4;
constexpr double glowFrameInterval = 1.0 / 30;
} // namespace

SortingEdgeHighlight::SortingEdgeHighlight(QWidget* parent, std::function<double()> clock)
    : QWidget(parent),
      m_clock(std::move(clock)),
      m_animator([this] { frame(); }, [this] {
          m_opacity.value(m_clock());
          return m_opacity.isMoving();
      })
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
}

double SortingEdgeHighlight::opacity() const
{
    return m_opacity.value(m_clock());
}

void SortingEdgeHighlight::setInputs(const Inputs& inputs)
{
    const bool activeChanged = inputs.isActive != m_inputs.isActive;
    m_inputs = inputs;
    if (activeChanged) {
        m_opacity.setTarget(inputs.isActive ? 1 : 0,
                            fade(inputs.configuration, inputs.reduceMotion, Motion::Curve::EaseInOut, 0.42), m_clock());
        if (m_opacity.isMoving())
            m_animator.start();
    }
    setVisible(m_inputs.isActive || m_opacity.isMoving() || opacity() > 0);
    if (isVisible())
        update();
}

QConicalGradient SortingEdgeHighlight::edgeGradient() const
{
    const auto& appearance = m_inputs.configuration.appearance;
    const QColor blue = TemplateStyle::color(appearance.aiGlowBlueColor);
    return sortingRingGradient(m_inputs.surface.center(), 0,
                               {{0.08, blue},
                                {0.22, TemplateStyle::withOpacity(blue, 0.98)},
                                {0.46, TemplateStyle::color(appearance.aiGlowVioletColor)},
                                {0.70, TemplateStyle::color(appearance.aiGlowMagentaColor)},
                                {0.88, TemplateStyle::color(appearance.aiGlowOrangeColor)},
                                {1.0, blue}});
}

void SortingEdgeHighlight::frame()
{
    // Faded out: hidden, so the panel's repaints skip it.
    setVisible(m_inputs.isActive || opacity() > 0);
    update();
}

void SortingEdgeHighlight::refreshEdgeImage()
{
    if (m_inputs.surface == m_edgeSurface && m_inputs.cornerRadius == m_edgeRadius && !m_edge.isNull())
        return;
    m_edgeSurface = m_inputs.surface;
    m_edgeRadius = m_inputs.cornerRadius;
    const SortingGlowLengths lengths = SortingGlowLengths::from(m_inputs.configuration.layout);
    const double blur = 0.45 * lengths.edgeBlurRadius;
    const double margin = ringMargin(m_inputs.surface, lengths.edgeLineWidth, blur, 1);
    m_edge = blurredRing(m_inputs.surface, m_inputs.surface.adjusted(-margin, -margin, margin, margin),
                         m_inputs.cornerRadius, edgeGradient(), lengths.edgeLineWidth, 1, blur, 2);
}

void SortingEdgeHighlight::paintEvent(QPaintEvent*)
{
    const double alpha = opacity();
    if (alpha <= 0 || m_inputs.surface.isEmpty())
        return;
    const auto& appearance = m_inputs.configuration.appearance;
    const SortingGlowLengths lengths = SortingGlowLengths::from(m_inputs.configuration.layout);
    const QConicalGradient gradient = edgeGradient();

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Part of the panel's surface: nothing of it shows beyond the notch's outline.
    painter.setClipPath(NotchShape{m_inputs.cornerRadius, 0}.path(m_inputs.surface));
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.setOpacity(alpha * appearance.aiGlowBorderOpacity);
    painter.strokePath(NotchBorderShape{m_inputs.cornerRadius}.path(m_inputs.surface),
                       ringPen(gradient, lengths.borderLineWidth));

    refreshEdgeImage();
    const double margin = ringMargin(m_inputs.surface, lengths.edgeLineWidth, 0.45 * lengths.edgeBlurRadius, 1);
    painter.setOpacity(alpha * 0.9 * appearance.aiGlowEdgeOpacity);
    drawImageInBands(painter, m_inputs.surface.adjusted(-margin, -margin, margin, margin), m_edge);
}

SortingAmbientGlow::SortingAmbientGlow(QWidget* parent, std::function<double()> clock,
                                       std::function<double()> phaseClock)
    : QWidget(parent),
      m_clock(std::move(clock)),
      m_phaseClock(std::move(phaseClock)),
      m_animator([this] { frame(); }, [this] {
          m_opacity.value(m_clock());
          // A still picture needs no frames once it has faded in.
          return m_opacity.isMoving() || (m_inputs.isActive && !m_inputs.reduceMotion);
      })
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
    CompositorMonitor& compositor = CompositorMonitor::shared();
    m_compositing = compositor.isCompositing();
    connect(&compositor, &CompositorMonitor::compositingChanged, this, [this](bool compositing) {
        m_compositing = compositing;
        refresh();
    });
}

double SortingAmbientGlow::opacity() const
{
    return m_opacity.value(m_clock());
}

void SortingAmbientGlow::setInputs(const Inputs& inputs)
{
    const bool activeChanged = inputs.isActive != m_inputs.isActive;
    if (!(inputs.configuration.appearance == m_inputs.configuration.appearance))
        m_pixelAngles.clear(); // the colour table is rebuilt with them
    m_inputs = inputs;
    if (activeChanged)
        m_opacity.setTarget(inputs.isActive ? 1 : 0,
                            fade(inputs.configuration, inputs.reduceMotion, Motion::Curve::EaseOut, 0.4), m_clock());
    refresh();
}

void SortingAmbientGlow::refresh()
{
    const double alpha = opacity(); // brings the fade up to date first
    const bool needed = m_compositing && (m_inputs.isActive || m_opacity.isMoving() || alpha > 0);
    setVisible(needed);
    if (needed) {
        m_animator.start();
        update(visibleRegion());
    } else {
        m_animator.stop();
    }
}

QRegion SortingAmbientGlow::visibleRegion() const
{
    // The panel's opaque surface covers the glow's middle; repainting only the
    // ring around it keeps the panel and its rows out of every glow frame.
    const QRectF outline = m_inputs.panelRect;
    const SortingGlowLengths lengths = SortingGlowLengths::from(m_inputs.configuration.layout);
    const double margin = lengths.haloLineWidth + 2 * lengths.haloBlurRadius
        + outline.width() * m_inputs.configuration.layout.aiGlowScaleDrift + 4;
    const QRect outer = outline.adjusted(-margin, -margin, margin, margin).toAlignedRect();
    const QPainterPath inside = NotchShape{std::max(0.0, m_inputs.cornerRadius), 2}.path(outline);
    // The panel's top edge is the screen's top edge: nothing above it is ever seen.
    const QRect onScreen(outer.left(), int(std::floor(outline.top())), outer.width(),
                         outer.bottom() + 1 - int(std::floor(outline.top())));
    return QRegion(onScreen).subtracted(QRegion(inside.toFillPolygon().toPolygon()));
}

void SortingAmbientGlow::frame()
{
    setVisible(m_inputs.isActive || opacity() > 0);
    // A slow, blurred turn looks the same at half the display rate and costs half.
    const double now = m_clock();
    if (now >= m_lastFrame && now - m_lastFrame < glowFrameInterval && !m_opacity.isMoving())
        return;
    m_lastFrame = now;
    update(visibleRegion());
}

void SortingAmbientGlow::paintGlow(QPainter& painter)
{
    const double alpha = opacity();
    const QRectF outline = m_inputs.panelRect;
    if (alpha <= 0 || outline.isEmpty())
        return;
    const auto& configuration = m_inputs.configuration;
    const auto& appearance = configuration.appearance;
    const SortingGlowLengths lengths = SortingGlowLengths::from(configuration.layout);
    const SortingGlowPhase phase = SortingGlowPhase::at(m_phaseClock(), configuration, m_inputs.reduceMotion);
    const double radius = std::max(0.0, m_inputs.cornerRadius);

    // The blurred rings are drawn once per outline as white masks; a frame only
    // colours them with the turned gradient, combines them small and scales up once.
    const QSizeF size = outline.size();
    const double margin = std::max(
        ringMargin(outline, lengths.haloLineWidth, lengths.haloBlurRadius, 1 + std::abs(configuration.layout.aiGlowScaleDrift)),
        ringMargin(outline, lengths.edgeLineWidth, lengths.edgeBlurRadius, 1.01));
    const QRectF local(QPointF(0, 0), size);
    const QRectF localTarget = local.adjusted(-margin, -margin, margin, margin);
    if (m_haloMask.isNull() || m_maskSize != size || m_maskRadius != radius || !(m_maskLengths == lengths)) {
        m_maskSize = size;
        m_maskRadius = radius;
        m_maskLengths = lengths;
        m_haloMask = blurredRing(local, localTarget, radius, Qt::white, lengths.haloLineWidth, 1,
                                 lengths.haloBlurRadius, glowDownscale);
        m_edgeMask = blurredRing(local, localTarget, radius, Qt::white, lengths.edgeLineWidth, 1.01,
                                 lengths.edgeBlurRadius, glowDownscale);
        m_pixelAngles.clear();
    }
    const QPointF centre = (local.center() - localTarget.topLeft()) / glowDownscale;
    if (m_pixelAngles.size() != size_t(m_haloMask.width()) * size_t(m_haloMask.height())) {
        m_pixelAngles.resize(size_t(m_haloMask.width()) * size_t(m_haloMask.height()));
        for (int y = 0; y < m_haloMask.height(); ++y)
            for (int x = 0; x < m_haloMask.width(); ++x) {
                const double degrees = std::atan2(y + 0.5 - centre.y(), x + 0.5 - centre.x()) * 180 / std::numbers::pi;
                m_pixelAngles[size_t(y) * size_t(m_haloMask.width()) + size_t(x)] =
                    int(std::lround((degrees < 0 ? degrees + 360 : degrees) * 10)) % 3600;
            }
        m_ringColors = ringColors(glowStops(appearance));
    }

    // Per pixel: both masks coloured by their turned gradients, the halo
    // sampled through its breathing scale, combined with the screen blend.
    QImage glow(m_haloMask.size(), QImage::Format_ARGB32_Premultiplied);
    const int width = glow.width(), height = glow.height();
    const auto turn = [](double angle) { return ((int(std::lround(angle * 10)) % 3600) + 3600) % 3600; };
    const int haloTurn = turn(phase.haloAngle), edgeTurn = turn(phase.edgeAngle);
    const int haloWeight = int(std::lround(std::clamp(appearance.aiGlowHaloOpacity, 0.0, 1.0) * 256));
    const int edgeWeight = int(std::lround(std::clamp(appearance.aiGlowEdgeOpacity, 0.0, 1.0) * 256));
    const double inverseScale = phase.haloScale > 0 ? 1 / phase.haloScale : 1;
    const QRgb* haloMask = reinterpret_cast<const QRgb*>(m_haloMask.constBits());
    const QRgb* edgeMask = reinterpret_cast<const QRgb*>(m_edgeMask.constBits());
    const qsizetype maskStride = m_haloMask.bytesPerLine() / qsizetype(sizeof(QRgb));
    for (int y = 0; y < height; ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(glow.scanLine(y));
        const int haloY = std::clamp(int(centre.y() + (y + 0.5 - centre.y()) * inverseScale), 0, height - 1);
        for (int x = 0; x < width; ++x) {
            const int haloX = std::clamp(int(centre.x() + (x + 0.5 - centre.x()) * inverseScale), 0, width - 1);
            const int angle = m_pixelAngles[size_t(y) * size_t(width) + size_t(x)];
            const int h = qAlpha(haloMask[haloY * maskStride + haloX]) * haloWeight >> 8;
            const int e = qAlpha(edgeMask[y * maskStride + x]) * edgeWeight >> 8;
            if (h == 0 && e == 0) {
                out[x] = 0;
                continue;
            }
            const QRgb hc = m_ringColors[size_t((angle - haloTurn + 3600) % 3600)];
            const QRgb ec = m_ringColors[size_t((angle - edgeTurn + 3600) % 3600)];
            // Premultiplied channels; screen: a + b - a·b.
            const auto channel = [](int a, int b) { return a + b - (a * b + 127) / 255; };
            const int ha = qAlpha(hc) * h / 255, ea = qAlpha(ec) * e / 255;
            out[x] = qRgba(channel(qRed(hc) * ha / 255, qRed(ec) * ea / 255),
                           channel(qGreen(hc) * ha / 255, qGreen(ec) * ea / 255),
                           channel(qBlue(hc) * ha / 255, qBlue(ec) * ea / 255), channel(ha, ea));
        }
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.setOpacity(alpha);
    drawImageInBands(painter, QRectF(outline.topLeft() + localTarget.topLeft(), QSizeF(glow.size()) * glowDownscale),
                     glow);
}

void SortingAmbientGlow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintGlow(painter);
}
