#pragma once

#include <functional>
#include <memory>

class QTimer;

// Shared animation helpers of the panel views. Springs follow the usual
// response/damping-fraction form (ω0 = 2π / response, ζ = damping) and are
// stepped in closed form from the clock's time, so a late frame never changes
// the path. Nothing here ticks by itself: the Animator runs only while a
// value is still moving.
class Motion {
public:
    enum class Curve { Linear, EaseIn, EaseOut, EaseInOut };

    struct Animation {
        enum class Kind { Immediate, Spring, Timed };
        Kind kind = Kind::Immediate;
        double response = 0;
        double damping = 1;
        Curve curve = Curve::Linear;
        double duration = 0;

        static Animation immediate() { return {}; }
        static Animation spring(double response, double damping)
        {
            return {Kind::Spring, response, damping, Curve::Linear, 0};
        }
        static Animation timed(Curve curve, double duration) { return {Kind::Timed, 0, 1, curve, duration}; }
    };

    // Progress of a curve at t in [0, 1] (the standard cubic Béziers).
    static double ease(Curve curve, double t);

    // Advances a unit-mass spring whose rest point is 0 by dt seconds.
    static void stepSpring(double response, double damping, double dt, double& displacement, double& velocity);

    // Seconds since 2001-01-01 00:00:00 UTC: only for a phase that must follow
    // the wall clock (the sorting glow, the reminder flight), never for progress.
    static double wallClock();
    // Seconds on a monotonic clock: what animations advance on, so a clock
    // that steps back never holds them still.
    static double animationClock();

    // QUAVERLOOM_REDUCE_MOTION=1 forces reduced motion; there is no desktop-wide setting to read.
    static bool reduceMotionFromEnvironment();

    // A number that moves towards its target; read it at any time.
    class Value {
    public:
        explicit Value(double initial = 0) : m_current(initial), m_target(initial) {}

        void setTarget(double target, const Animation& animation, double now);
        void jumpTo(double value);
        double value(double now);
        double target() const { return m_target; }
        bool isMoving() const { return m_moving; }

    private:
        double m_current;
        double m_target;
        Animation m_animation;
        bool m_moving = false;
        double m_lastTime = 0;
        double m_velocity = 0;
        double m_span = 0;
        double m_startValue = 0;
        double m_startTime = 0;
    };

    // Calls onFrame about once per display frame while stillMoving() is true.
    class Animator {
    public:
        Animator(std::function<void()> onFrame, std::function<bool()> stillMoving);
        ~Animator();
        Animator(const Animator&) = delete;
        Animator& operator=(const Animator&) = delete;

        void start();
        void stop();
        bool isRunning() const;

    private:
        std::unique_ptr<QTimer> m_timer;
        std::function<void()> m_onFrame;
        std::function<bool()> m_stillMoving;
    };
};
