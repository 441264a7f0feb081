#include "UI/Motion.h"

#include "Platform/Date.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace {
constexpr int frameIntervalMs = 16;

// x(t) of a cubic Bézier through (0,0), (x1,y1), (x2,y2), (1,1).
double bezier(double a1, double a2, double s)
{
    const double u = 1 - s;
    return 3 * u * u * s * a1 + 3 * u * s * s * a2 + s * s * s;
}

double bezierSlope(double a1, double a2, double s)
{
    const double u = 1 - s;
    return 3 * u * u * a1 + 6 * u * s * (a2 - a1) + 3 * s * s * (1 - a2);
}

double cubicBezier(double x1, double y1, double x2, double y2, double x)
{
    double s = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(x1, x2, s) - x;
        const double slope = bezierSlope(x1, x2, s);
        if (std::abs(error) < 1e-7)
            return bezier(y1, y2, s);
        if (std::abs(slope) < 1e-6)
            break;
        s -= error / slope;
    }
    double low = 0, high = 1;
    s = x;
    for (int i = 0; i < 40; ++i) {
        const double value = bezier(x1, x2, s);
        if (std::abs(value - x) < 1e-7)
            break;
        (value < x ? low : high) = s;
        s = (low + high) / 2;
    }
    return bezier(y1, y2, s);
}
} // namespace

double Motion::ease(Curve curve, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    switch (curve) {
    case Curve::Linear:
        return t;
    case Curve::EaseIn:
        return cubicBezier(0.42, 0, 1, 1, t);
    case Curve::EaseOut:
        return cubicBezier(0, 0, 0.58, 1, t);
    case Curve::EaseInOut:
        return cubicBezier(0.42, 0, 0.58, 1, t);
    }
    return t;
}

void Motion::stepSpring(double response, double damping, double dt, double& x, double& v)
{
    if (response <= 0 || dt <= 0) {
        if (response <= 0)
            x = v = 0;
        return;
    }
    const double w0 = 2 * std::numbers::pi / response;
    const double zeta = std::max(0.0, damping);
    const double x0 = x, v0 = v;
    if (zeta < 1) {
        const double a = zeta * w0;
        const double wd = w0 * std::sqrt(1 - zeta * zeta);
        const double decay = std::exp(-a * dt);
        const double c = std::cos(wd * dt), s = std::sin(wd * dt);
        x = decay * (x0 * c + (v0 + a * x0) / wd * s);
        v = decay * (v0 * c - (a * v0 + w0 * w0 * x0) / wd * s);
    } else if (zeta == 1) {
        const double decay = std::exp(-w0 * dt);
        const double b = v0 + w0 * x0;
        x = decay * (x0 + b * dt);
        v = decay * (v0 - w0 * b * dt);
    } else {
        const double root = std::sqrt(zeta * zeta - 1);
        const double r1 = -w0 * (zeta - root), r2 = -w0 * (zeta + root);
        const double c1 = (v0 - r2 * x0) / (r1 - r2), c2 = x0 - c1;
        const double e1 = std::exp(r1 * dt), e2 = std::exp(r2 * dt);
        x = c1 * e1 + c2 * e2;
        v = c1 * r1 * e1 + c2 * r2 * e2;
    }
}

double Motion::wallClock()
{
    return Date::fromUnixSeconds(double(QDateTime::currentMSecsSinceEpoch()) / 1000.0).secondsSinceReferenceDate;
}

double Motion::animationClock()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool Motion::reduceMotionFromEnvironment()
{
    return qEnvironmentVariable("QUAVERLOOM_REDUCE_MOTION") == QLatin1String("1");
}

void Motion::Value::setTarget(double target, const Animation& animation, double now)
{
    const double current = value(now);
    m_target = target;
    m_animation = animation;
    const bool instant = animation.kind == Animation::Kind::Immediate
        || (animation.kind == Animation::Kind::Spring && animation.response <= 0)
        || (animation.kind == Animation::Kind::Timed && animation.duration <= 0);
    // A spring in flight keeps its velocity even when it is right at the new target.
    if (instant || (current == target && (!m_moving || animation.kind == Animation::Kind::Timed))) {
        jumpTo(target);
        return;
    }
    m_moving = true;
    m_lastTime = now;
    m_startTime = now;
    m_startValue = current;
    m_span = std::max(std::abs(target - current), std::abs(m_span));
    if (animation.kind == Animation::Kind::Timed)
        m_velocity = 0;
}

void Motion::Value::jumpTo(double value)
{
    m_current = m_target = value;
    m_velocity = 0;
    m_span = 0;
    m_moving = false;
}

double Motion::Value::value(double now)
{
    if (!m_moving)
        return m_current;
    // A clock that steps back would hold the value still until it caught up:
    // carry on from where it stood instead.
    if (now < m_lastTime) {
        m_startTime -= m_lastTime - now;
        m_lastTime = now;
    }
    if (m_animation.kind == Animation::Kind::Timed) {
        const double t = (now - m_startTime) / m_animation.duration;
        if (t >= 1) {
            jumpTo(m_target);
            return m_current;
        }
        m_current = m_startValue + (m_target - m_startValue) * ease(m_animation.curve, t);
        m_lastTime = now;
        return m_current;
    }
    double x = m_current - m_target;
    double v = m_velocity;
    stepSpring(m_animation.response, m_animation.damping, now - m_lastTime, x, v);
    m_lastTime = std::max(m_lastTime, now);
    // At rest once the motion is far below a pixel of any size it drives.
    const double span = m_span > 0 ? m_span : 1;
    if (std::abs(x) < span * 1e-4 && std::abs(v) < span * 1e-3) {
        jumpTo(m_target);
        return m_current;
    }
    m_current = m_target + x;
    m_velocity = v;
    return m_current;
}

Motion::Animator::Animator(std::function<void()> onFrame, std::function<bool()> stillMoving)
    : m_timer(std::make_unique<QTimer>()), m_onFrame(std::move(onFrame)), m_stillMoving(std::move(stillMoving))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(frameIntervalMs);
    // The timer is the context: it goes with this animator, and so does the connection.
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] {
        if (m_onFrame)
            m_onFrame();
        if (!m_stillMoving || !m_stillMoving())
            m_timer->stop();
    });
}

Motion::Animator::~Animator() = default;

void Motion::Animator::start()
{
    if (!m_timer->isActive())
        m_timer->start();
}

void Motion::Animator::stop()
{
    m_timer->stop();
}

bool Motion::Animator::isRunning() const
{
    return m_timer->isActive();
}
