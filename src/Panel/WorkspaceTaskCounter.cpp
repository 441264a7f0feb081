#include "Panel/WorkspaceTaskCounter.h"

#include "Panel/NotchSlotButton.h"
#include "UI/TemplateStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

WorkspaceTaskCounter::WorkspaceTaskCounter(QWidget* parent, std::function<double()> clock)
    : QWidget(parent), m_clock(std::move(clock)), m_animator([this] { updateRoll(); }, [this] { return isAnimating(); })
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setInputs(m_inputs);
}

QFont WorkspaceTaskCounter::counterFont() const
{
    QFont font = TemplateStyle::font(NotchTemplateConfiguration::Font::system(
        m_inputs.configuration.layout.notchControlFontSize + 1, NotchTemplateConfiguration::Font::Weight::Bold,
        NotchTemplateConfiguration::Font::Design::Rounded));
    font.setWeight(QFont::Black);
    return font;
}

double WorkspaceTaskCounter::digitCellWidth(const QFont& font)
{
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (QChar digit = u'0'; digit <= u'9'; digit = QChar(digit.unicode() + 1))
        widest = std::max(widest, metrics.horizontalAdvance(digit));
    return std::ceil(widest);
}

void WorkspaceTaskCounter::setInputs(const Inputs& inputs)
{
    const int previous = m_inputs.taskCount;
    const bool countChanged = inputs.taskCount != previous;
    const bool repaint = countChanged || inputs.color != m_inputs.color || inputs.configuration != m_inputs.configuration;
    m_inputs = inputs;
    setAccessibleName(QStringLiteral("%1 tasks").arg(inputs.taskCount));
    if (countChanged) {
        m_previousCount = previous;
        const auto& interaction = inputs.configuration.interaction;
        const Motion::Animation animation = inputs.reduceMotion
            ? Motion::Animation::timed(Motion::Curve::Linear, interaction.reducedMotionDuration)
            : Motion::Animation::spring(interaction.taskListAnimationResponse, interaction.taskListAnimationDamping);
        m_roll.jumpTo(0);
        if (isVisible()) {
            m_roll.setTarget(1, animation, m_clock());
            m_animator.start();
        } else {
            m_roll.jumpTo(1);
        }
        updateGeometry();
    }
    if (repaint)
        update();
}

std::pair<int, int> WorkspaceTaskCounter::rollLook(double roll) const
{
    roll = std::clamp(roll, 0.0, 1.0);
    return {int(std::lround((1 - roll) * height() * 0.5 * 8)), int(std::lround(roll * 255))};
}

void WorkspaceTaskCounter::updateRoll()
{
    // The spring settles far below what the eye can see; those last frames would draw the same picture.
    if (rollLook(m_roll.value(m_clock())) != m_paintedLook)
        update();
}

bool WorkspaceTaskCounter::isAnimating() const
{
    m_roll.value(m_clock());
    return m_roll.isMoving();
}

QSize WorkspaceTaskCounter::sizeHint() const
{
    const auto& layout = m_inputs.configuration.layout;
    const double digits = digitCellWidth(counterFont()) * text().size();
    const double width = std::max(layout.notchTaskCounterMinimumWidth, digits);
    const double height = NotchSlotButtonStyle::labelSide(layout) + 2 * std::max(0.0, layout.notchControlVerticalPadding);
    return {int(std::ceil(std::max(0.0, width))), int(std::ceil(height))};
}

void WorkspaceTaskCounter::paintNumber(QPainter& painter, const QString& number, double yOffset, double opacity)
{
    if (opacity <= 0)
        return;
    const double cell = digitCellWidth(painter.font());
    double x = width() - cell * number.size();
    painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
    for (const QChar digit : number) {
        painter.drawText(QRectF(x, yOffset, cell, height()), Qt::AlignCenter | Qt::TextSingleLine, QString(digit));
        x += cell;
    }
}

void WorkspaceTaskCounter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(counterFont());
    painter.setPen(m_inputs.color);
    const double roll = m_roll.value(m_clock());
    m_paintedLook = rollLook(roll);
    const double travel = height() * 0.5;
    // Counting up rolls the digits upwards, counting down downwards.
    const double direction = m_inputs.taskCount >= m_previousCount ? 1 : -1;
    if (roll < 1)
        paintNumber(painter, QString::number(m_previousCount), -direction * travel * roll, 1 - roll);
    paintNumber(painter, text(), direction * travel * (1 - roll), roll);
}
