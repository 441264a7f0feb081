#include "ControlPanel/ControlPanelOnboardingView.h"

#include "ControlPanel/LoopingOnboardingVideoView.h"
#include "ControlPanel/OnboardingAssetCatalog.h"
#include "ControlPanel/OnboardingPlaceholderView.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"
#include "UI/WrappedText.h"

#include <QAbstractButton>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <cmath>
#include <utility>

namespace {

constexpr double closeButtonPadding = 28;
constexpr double closeButtonSize = 38;
constexpr double iconCornerRadius = 14;
constexpr double finishFontSize = 15;
constexpr double finishHorizontalPadding = 18;
constexpr double finishHeight = 42;
constexpr double pushResponse = 0.32;
constexpr double pushDamping = 1.0;
constexpr double introFadeDuration = 0.2;

// A button drawn entirely by the given function; hover and press are read from the button.
class PaintedButton : public QAbstractButton {
public:
    using Painter = std::function<void(QPainter&, const PaintedButton&)>;

    PaintedButton(const QString& accessibleName, Painter paint, QWidget* parent)
        : QAbstractButton(parent), m_paint(std::move(paint))
    {
        setAccessibleName(accessibleName);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_paint(painter, *this);
        if (hasFocus()) {
            QColor ring = palette().color(QPalette::Highlight);
            ring.setAlphaF(0.6f);
            painter.setPen(QPen(ring, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
        }
    }

private:
    Painter m_paint;
};

// Lays out text in the width, at most maxLines lines (0: no limit), the last
// one elided; extra is added between lines. Draws it when given a painter and
// returns the height used.
double drawWrapped(QPainter* painter, const QString& text, const QFont& font, double y, double width, int maxLines,
                   double extra)
{
    const WrappedText wrapped = WrappedText::layout(text, font, width, maxLines);
    const double lineHeight = QFontMetricsF(font).height();
    if (painter)
        wrapped.draw(*painter, font, QPointF(0, y), lineHeight + extra);
    return wrapped.lines.size() * lineHeight + (wrapped.lines.size() - 1) * extra;
}

// A slide's counter, title and body, laid out in the band between the two
// navigation buttons.
class SlideTextView : public QWidget {
public:
    SlideTextView(const NotchTemplateConfiguration& configuration, const QString& counter,
                  const ControlPanelOnboardingView::Slide& slide, QWidget* parent)
        : QWidget(parent), m_configuration(configuration), m_counter(counter), m_slide(slide)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // Label colours are read against the band, not the window: on the dark
        // band a light desktop scheme would otherwise print black on black.
        const QColor band = TemplateStyle::color(configuration.appearance.onboardingVideoOverlayFillColor);
        if (band.alphaF() > 0.5f) {
            QPalette onBand = palette();
            onBand.setColor(QPalette::WindowText, band.lightnessF() < 0.5f ? Qt::white : Qt::black);
            setPalette(onBand);
        }
        setAccessibleName(slide.title);
        setAccessibleDescription(QStringLiteral("%1. %2").arg(counter, slide.body));
        m_counterFont = TemplateStyle::font(configuration.typography.onboardingVideoOverlayNumberFont);
        m_titleFont = TemplateStyle::font(configuration.typography.onboardingVideoOverlayTitleFont);
        m_titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.6);
        m_bodyFont = TemplateStyle::font(configuration.typography.onboardingVideoOverlayBodyFont);
    }

    QString title() const { return m_slide.title; }
    QString counter() const { return m_counter; }

    // The height the band needs for the text at the given width.
    double neededHeight(double width) const
    {
        const auto& layout = m_configuration.layout;
        return std::max(layout.onboardingVideoOverlayMinHeight, stackHeight(nullptr, textWidth(width))) +
               2 * layout.onboardingVideoOverlayVerticalPadding;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // The text lies over the playing video, so it is repainted with every
        // frame; it is laid out once per size instead.
        const qreal ratio = devicePixelRatioF();
        if (m_rendered.isNull() || m_rendered.size() != size() * ratio) {
            m_rendered = QPixmap(size() * ratio);
            m_rendered.setDevicePixelRatio(ratio);
            m_rendered.fill(Qt::transparent);
            const auto& layout = m_configuration.layout;
            QPainter cache(&m_rendered);
            cache.setRenderHint(QPainter::TextAntialiasing);
            const double width = textWidth(this->width());
            const double inner = height() - 2 * layout.onboardingVideoOverlayVerticalPadding;
            const double top = layout.onboardingVideoOverlayVerticalPadding +
                               std::max(0.0, (inner - stackHeight(nullptr, width)) / 2);
            cache.translate(leadingInset(), top);
            stackHeight(&cache, width);
        }
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_rendered);
    }

private:
    double leadingInset() const
    {
        const auto& layout = m_configuration.layout;
        return layout.onboardingVideoOverlaySidePadding + layout.onboardingVideoOverlayButtonWidth +
               layout.onboardingVideoOverlayContentGap;
    }
    double textWidth(double width) const
    {
        return std::max(1.0, std::min(m_configuration.layout.onboardingVideoOverlayContentMaxWidth,
                                      width - 2 * leadingInset()));
    }

    // Draws the stack when given a painter; returns its height either way.
    double stackHeight(QPainter* painter, double width) const
    {
        const auto& appearance = m_configuration.appearance;
        const double spacing = m_configuration.layout.onboardingVideoOverlayTitleSpacing;
        const QColor titleColor = TemplateStyle::color(appearance.onboardingVideoOverlayTitleColor, palette());
        const QColor bodyColor = TemplateStyle::color(appearance.onboardingVideoOverlayBodyColor, palette());
        double y = 0;
        if (painter)
            painter->setPen(TemplateStyle::withOpacity(titleColor, 0.62));
        y += drawWrapped(painter, m_counter, m_counterFont, y, 1e6, 1, 0) + spacing;
        if (painter)
            painter->setPen(titleColor);
        y += drawWrapped(painter, m_slide.title, m_titleFont, y, width, 2, 0) + spacing;
        if (painter)
            painter->setPen(TemplateStyle::withOpacity(bodyColor, 0.5));
        y += drawWrapped(painter, m_slide.body, m_bodyFont, y, width, 0, 4);
        return y;
    }

    const NotchTemplateConfiguration& m_configuration;
    QString m_counter;
    ControlPanelOnboardingView::Slide m_slide;
    QFont m_counterFont;
    QFont m_titleFont;
    QFont m_bodyFont;
    QPixmap m_rendered;
};

// The band's fill with a divider along its top edge; it stays while the slides move.
class BandView : public QWidget {
public:
    BandView(const QColor& fill, QWidget* parent) : QWidget(parent), m_fill(fill)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // An opaque band hides the video's bottom: frames then leave it and its text alone.
        setAttribute(Qt::WA_OpaquePaintEvent, fill.alpha() == 255);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_fill);
        painter.fillRect(QRect(0, 0, width(), 1), SystemColors::separator(palette()));
    }

private:
    QColor m_fill;
};

// The intro screen's image, stretched to the whole screen on black.
class IntroImageView : public QWidget {
public:
    IntroImageView(const QPixmap& image, QWidget* parent) : QWidget(parent), m_image(image) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!m_image.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(rect(), m_image);
        }
    }

private:
    QPixmap m_image;
};

} // namespace

ControlPanelOnboardingView::ControlPanelOnboardingView(const NotchTemplateConfiguration& configuration,
                                                       const QList<Slide>& slides,
                                                       const QString& closeAccessibilityLabel,
                                                       std::function<void()> onClose, QWidget* parent,
                                                       VideoResolver resolveVideo)
    : QWidget(parent),
      m_configuration(configuration),
      m_slides(slides),
      m_closeAccessibilityLabel(closeAccessibilityLabel),
      m_onClose(std::move(onClose)),
      m_resolveVideo(std::move(resolveVideo)),
      m_pager(int(slides.size()))
{
    if (!m_resolveVideo)
        m_resolveVideo = [](const QString& name) { return PersistedOnboardingVideoCache::shared().resolvedVideo(name); };
    setAutoFillBackground(false);

    buildIntroScreen();
    // Pager: slide layer, then the close button, then the navigation row.
    m_pagerScreen = new QWidget(this);
    m_slideLayer = new QWidget(m_pagerScreen);
    m_slideLayer->installEventFilter(this);
    m_band = new BandView(TemplateStyle::color(m_configuration.appearance.onboardingVideoOverlayFillColor), m_slideLayer);
    m_closeButton = makeCloseButton();
    m_previousButton = navigationIconButton(true, QStringLiteral("Previous Slide"),
                                            &ControlPanelOnboardingView::showPreviousSlide);
    m_nextButton = navigationIconButton(false, QStringLiteral("Next Slide"), &ControlPanelOnboardingView::showNextSlide);
    m_finishButton = makeFinishButton();

    m_animator = std::make_unique<Motion::Animator>(
        [this] {
            layoutPages();
            updateIntroFade();
        },
        [this] { return m_pushProgress.isMoving() || m_introOpacity.isMoving(); });

    m_pagerScreen->hide();
    // The first slide's video is loaded while the intro shows, so it starts at once.
    m_preparedFirstVideo = makeVideoArea(0);
    m_preparedFirstVideo->hide();
    updateNavigation();
}

void ControlPanelOnboardingView::buildIntroScreen()
{
    const auto& content = m_configuration.content;
    const QString introPath = OnboardingAssetCatalog::bundled().imagePath(content.onboardingIntroImageName);
    if (!introPath.isEmpty())
        m_introImage.load(introPath);
    m_introScreen = new IntroImageView(m_introImage, this);
    const QFont introFont = TemplateStyle::font(m_configuration.typography.onboardingIntroButtonFont);
    const QString introTitle = content.onboardingIntroButtonTitle;
    m_startButton = new PaintedButton(
        introTitle,
        [this, introFont, introTitle](QPainter& painter, const PaintedButton& button) {
            const auto& appearance = m_configuration.appearance;
            const double line = m_configuration.layout.onboardingIntroButtonStrokeLineWidth;
            const QRectF box = QRectF(button.rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2);
            QColor fill = TemplateStyle::color(appearance.onboardingIntroButtonFillColor, button.palette());
            if (button.isDown())
                fill = fill.darker(130);
            painter.setPen(QPen(TemplateStyle::color(appearance.onboardingIntroButtonStrokeColor, button.palette()), line));
            painter.setBrush(fill);
            painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
            painter.setPen(TemplateStyle::color(appearance.onboardingIntroButtonTextColor, button.palette()));
            painter.setFont(introFont);
            painter.drawText(button.rect(), Qt::AlignCenter | Qt::TextSingleLine, introTitle);
        },
        m_introScreen);
    const auto& layout = m_configuration.layout;
    m_startButton->setFixedSize(
        int(std::ceil(QFontMetricsF(introFont).horizontalAdvance(introTitle) + 2 * layout.onboardingIntroButtonHorizontalPadding)),
        TemplateStyle::widgetExtent(layout.onboardingIntroButtonHeight));
    connect(m_startButton, &QAbstractButton::clicked, this, &ControlPanelOnboardingView::start);
}

QAbstractButton* ControlPanelOnboardingView::makeCloseButton()
{
    auto* button = new PaintedButton(
        m_closeAccessibilityLabel,
        [](QPainter& painter, const PaintedButton& button) {
            const QColor window = button.palette().color(QPalette::Window);
            painter.setPen(QPen(TemplateStyle::withOpacity(button.palette().color(QPalette::WindowText), 0.1), 1));
            painter.setBrush(TemplateStyle::withOpacity(window, button.underMouse() ? 0.85 : 0.7));
            painter.drawEllipse(QRectF(button.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
            // The symbols fill about half of their 24-unit grid, so a box of 20
            // gives the mark of a size-14 glyph.
            const double mark = 20;
            const QPointF centre = QRectF(button.rect()).center();
            SymbolPainter::paint(painter, QStringLiteral("xmark"),
                                 QRectF(centre.x() - mark / 2, centre.y() - mark / 2, mark, mark),
                                 button.palette().color(QPalette::WindowText), QFont::DemiBold);
        },
        m_pagerScreen);
    button->setFixedSize(int(closeButtonSize), int(closeButtonSize));
    connect(button, &QAbstractButton::clicked, this, &ControlPanelOnboardingView::close);
    return button;
}

QAbstractButton* ControlPanelOnboardingView::makeFinishButton()
{
    const QFont finishFont = TemplateStyle::systemFont(finishFontSize, QFont::DemiBold);
    const QString finishTitle = m_configuration.content.onboardingGetStartedButtonTitle;
    auto* button = new PaintedButton(
        finishTitle,
        [finishFont, finishTitle](QPainter& painter, const PaintedButton& button) {
            QColor fill = button.palette().color(QPalette::Highlight);
            if (button.isDown())
                fill = fill.darker(120);
            else if (button.underMouse())
                fill = fill.lighter(110);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            painter.drawRoundedRect(QRectF(button.rect()), 10, 10);
            painter.setPen(button.palette().color(QPalette::HighlightedText));
            painter.setFont(finishFont);
            painter.drawText(button.rect(), Qt::AlignCenter | Qt::TextSingleLine, finishTitle);
        },
        m_pagerScreen);
    button->setFixedSize(
        int(std::ceil(QFontMetricsF(finishFont).horizontalAdvance(finishTitle) + 2 * finishHorizontalPadding)),
        int(finishHeight));
    connect(button, &QAbstractButton::clicked, this, &ControlPanelOnboardingView::close);
    return button;
}

ControlPanelOnboardingView::~ControlPanelOnboardingView() = default;

QString ControlPanelOnboardingView::videoMissingTitle()
{
    return QStringLiteral("Onboarding Video Missing");
}

QAbstractButton* ControlPanelOnboardingView::navigationIconButton(bool pointsLeft, const QString& accessibleName,
                                                                  void (ControlPanelOnboardingView::*action)())
{
    auto* button = new PaintedButton(
        accessibleName,
        [pointsLeft](QPainter& painter, const PaintedButton& button) {
            const QPalette& palette = button.palette();
            QColor fill = SystemColors::controlBackground(palette);
            if (button.isDown())
                fill = fill.darker(115);
            else if (button.underMouse())
                fill = fill.lighter(115);
            painter.setPen(QPen(SystemColors::separator(palette), 1));
            painter.setBrush(fill);
            painter.drawRoundedRect(QRectF(button.rect()).adjusted(0.5, 0.5, -0.5, -0.5), iconCornerRadius,
                                    iconCornerRadius);
            const QPointF centre = QRectF(button.rect()).center();
            // The size-18 glyph, as the symbol's grid is about half filled.
            const double side = 28;
            SymbolPainter::paint(painter, QLatin1String(pointsLeft ? "chevron.left" : "chevron.right"),
                                 QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side),
                                 SystemColors::label(palette), QFont::DemiBold);
        },
        m_pagerScreen);
    const auto& layout = m_configuration.layout;
    button->setFixedSize(TemplateStyle::widgetExtent(layout.onboardingVideoOverlayButtonWidth),
                         TemplateStyle::widgetExtent(layout.onboardingVideoOverlayButtonHeight));
    connect(button, &QAbstractButton::clicked, this, action);
    return button;
}

void ControlPanelOnboardingView::start()
{
    if (!m_isShowingIntroScreen)
        return;
    m_pager.start();
    m_isShowingIntroScreen = false;
    m_pagerScreen->show();
    showCurrentSlide(false);
    layoutScreens();
    // The intro fades out over the first slide.
    m_introScreen->raise();
    m_introScreen->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_introScreen->setGraphicsEffect(new QGraphicsOpacityEffect);
    m_introOpacity.jumpTo(1);
    m_introOpacity.setTarget(0, Motion::Animation::timed(Motion::Curve::EaseInOut, introFadeDuration),
                             Motion::animationClock());
    m_animator->start();
}

void ControlPanelOnboardingView::updateIntroFade()
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(m_introScreen->graphicsEffect());
    if (!effect)
        return;
    const double opacity = m_introOpacity.value(Motion::animationClock());
    if (m_introOpacity.isMoving()) {
        effect->setOpacity(opacity);
        return;
    }
    m_introScreen->hide();
    m_introScreen->setGraphicsEffect(nullptr);
}

void ControlPanelOnboardingView::showPreviousSlide()
{
    if (m_pager.showPreviousSlide())
        showCurrentSlide(true);
}

void ControlPanelOnboardingView::showNextSlide()
{
    if (m_pager.showNextSlide())
        showCurrentSlide(true);
}

void ControlPanelOnboardingView::handleDragEnd(const QPointF& translation)
{
    if (m_pager.handleDragEnd(translation.x(), translation.y()))
        showCurrentSlide(true);
}

void ControlPanelOnboardingView::close()
{
    // Queued, so that the creator may delete this view from the handler.
    QTimer::singleShot(0, this, [this] {
        if (m_onClose)
            m_onClose();
    });
}

void ControlPanelOnboardingView::showCurrentSlide(bool animated)
{
    // A step during a push ends the older push at once.
    dropPage(m_outgoing);
    if (animated && m_current.video) {
        m_outgoing = m_current;
        m_pushDirection = m_pager.slideDirection();
    } else {
        dropPage(m_current);
    }
    m_current = makePage(m_pager.selectedSlideIndex());
    if (m_outgoing.video) {
        m_pushProgress.jumpTo(0);
        m_pushProgress.setTarget(1, Motion::Animation::spring(pushResponse, pushDamping), Motion::animationClock());
        m_animator->start();
    } else {
        m_pushProgress.jumpTo(1);
    }
    updateNavigation();
    layoutPages();
}

ControlPanelOnboardingView::Page ControlPanelOnboardingView::makePage(int index)
{
    Page page;
    page.video = makeVideoArea(index);
    page.video->stackUnder(m_band);
    page.video->show();
    if (m_pager.hasCurrentSlide()) {
        page.text = new SlideTextView(m_configuration, m_pager.counterText(), m_slides.at(index), m_slideLayer);
        page.text->raise();
        page.text->show();
    }
    return page;
}

QWidget* ControlPanelOnboardingView::makeVideoArea(int index)
{
    if (index == 0 && m_preparedFirstVideo)
        return std::exchange(m_preparedFirstVideo, nullptr);
    if (index < 0 || index >= m_slides.size())
        return new OnboardingPlaceholderView(QStringLiteral("Onboarding Slide Missing"),
                                             QStringLiteral("Add at least one onboarding slide to the template configuration."),
                                             m_slideLayer);
    const QString& assetName = m_slides.at(index).videoAssetName;
    if (const std::optional<OnboardingVideoSource> source = m_resolveVideo(assetName))
        return new LoopingOnboardingVideoView(*source, m_slideLayer);
    if (assetName.trimmed().isEmpty())
        return new OnboardingPlaceholderView(videoMissingTitle(),
                                             QStringLiteral("Add a valid onboarding video asset name to the template configuration."),
                                             m_slideLayer);
    return new OnboardingPlaceholderView(videoMissingTitle(),
                                         QStringLiteral("Could not find the bundled onboarding video asset."),
                                         m_slideLayer);
}

void ControlPanelOnboardingView::dropPage(Page& page)
{
    // Hidden first, so a leaving video pauses at once; deleted once the event is over.
    for (QWidget* widget : {page.video.data(), page.text.data()}) {
        if (widget) {
            widget->hide();
            widget->deleteLater();
        }
    }
    page = {};
}

void ControlPanelOnboardingView::updateNavigation()
{
    const bool pager = !m_isShowingIntroScreen;
    m_band->setVisible(m_pager.hasCurrentSlide());
    m_previousButton->setVisible(pager && m_pager.showsPreviousButton());
    m_nextButton->setVisible(pager && m_pager.showsNextButton());
    m_finishButton->setVisible(pager && m_pager.showsFinishButton());
}

double ControlPanelOnboardingView::bandHeight() const
{
    const auto& layout = m_configuration.layout;
    return layout.onboardingVideoOverlayMinHeight + 2 * layout.onboardingVideoOverlayVerticalPadding;
}

void ControlPanelOnboardingView::layoutScreens()
{
    const auto& layout = m_configuration.layout;
    m_introScreen->setGeometry(rect());
    m_startButton->move((width() - m_startButton->width()) / 2,
                        height() - int(layout.onboardingIntroButtonBottomPadding) - m_startButton->height());
    m_pagerScreen->setGeometry(rect());
    m_slideLayer->setGeometry(m_pagerScreen->rect());

    const int inset = int(layout.onboardingVideoOverlayHorizontalInset);
    const int bottomInset = int(layout.onboardingVideoOverlayBottomInset);
    const int band = int(std::ceil(bandHeight()));
    m_band->setGeometry(inset, height() - bottomInset - band, std::max(0, width() - 2 * inset), band);

    m_closeButton->move(width() - int(closeButtonPadding) - m_closeButton->width(), int(closeButtonPadding));

    // The navigation row lies over the band, its buttons centred in it.
    const double side = layout.onboardingVideoOverlaySidePadding;
    const double rowTop = height() - bandHeight() + layout.onboardingVideoOverlayVerticalPadding;
    const double rowHeight = layout.onboardingVideoOverlayMinHeight;
    auto centredY = [&](const QWidget* w) { return int(std::lround(rowTop + (rowHeight - w->height()) / 2)); };
    m_previousButton->move(int(side), centredY(m_previousButton));
    m_nextButton->move(width() - int(side) - m_nextButton->width(), centredY(m_nextButton));
    m_finishButton->move(width() - int(side) - m_finishButton->width(), centredY(m_finishButton));
    layoutPages();
}

void ControlPanelOnboardingView::layoutPages()
{
    const auto& layout = m_configuration.layout;
    const int w = m_slideLayer->width();
    const int h = m_slideLayer->height();
    const double progress = std::clamp(m_pushProgress.value(Motion::animationClock()), 0.0, 1.0);
    // Forward pushes enter from the trailing edge and leave by the leading one; backward the reverse.
    const double sign = m_pushDirection == SlideDirection::forward ? 1 : -1;
    const int incomingOffset = m_outgoing.video ? int(std::lround(sign * w * (1 - progress))) : 0;
    const int outgoingOffset = int(std::lround(-sign * w * progress));

    const int inset = int(layout.onboardingVideoOverlayHorizontalInset);
    const int bottomInset = int(layout.onboardingVideoOverlayBottomInset);
    auto place = [&](Page& page, int offset) {
        if (page.video)
            page.video->setGeometry(offset, 0, w, h);
        if (auto* text = static_cast<SlideTextView*>(page.text.data())) {
            const int textWidth = std::max(0, w - 2 * inset);
            const int textHeight = int(std::ceil(text->neededHeight(textWidth)));
            text->setGeometry(offset + inset, h - bottomInset - textHeight, textWidth, textHeight);
        }
    };
    place(m_current, incomingOffset);
    place(m_outgoing, outgoingOffset);
    if (m_outgoing.video && !m_pushProgress.isMoving())
        dropPage(m_outgoing);
}

void ControlPanelOnboardingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
}

void ControlPanelOnboardingView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutScreens();
}

bool ControlPanelOnboardingView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_slideLayer)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_dragStart = mouse->position();
            m_isDragging = false;
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_dragStart) {
            const QPointF delta = static_cast<QMouseEvent*>(event)->position() - *m_dragStart;
            if (std::hypot(delta.x(), delta.y()) >= OnboardingPager::dragMinimumDistance)
                m_isDragging = true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragStart && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            const QPointF delta = static_cast<QMouseEvent*>(event)->position() - *m_dragStart;
            const bool wasDragging = m_isDragging;
            m_dragStart.reset();
            m_isDragging = false;
            if (wasDragging)
                handleDragEnd(delta);
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
