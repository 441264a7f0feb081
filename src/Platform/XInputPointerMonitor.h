#pragma once

#include "Platform/PointerMonitor.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>
#include <map>

class QTimer;

// Local monitors: an application event filter. Global monitor: XInput2 raw
// motion selected on the root window and read from Qt's own event stream; a
// cursor poll only where XInput2 cannot be used; nothing off X11.
class XInputPointerMonitor final : public QObject, public QAbstractNativeEventFilter, public PointerMonitor {
    Q_OBJECT
public:
    explicit XInputPointerMonitor(QObject* parent = nullptr);
    ~XInputPointerMonitor() override;

    std::optional<Token> addLocalMonitor(Handler handler) override;
    std::optional<Token> addGlobalMonitor(Handler handler) override;
    void removeMonitor(Token token) override;
    QPointF mouseLocation() const override;

    bool usesRawMotion() const { return m_rawMotionSelected; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool startGlobal();
    void stopGlobal();
    bool selectRawMotion(bool on);
    void pollPointer();
    static void notify(const std::map<Token, Handler>& handlers);

    Token m_nextToken = 1;
    std::map<Token, Handler> m_local;
    std::map<Token, Handler> m_global;
    bool m_filterInstalled = false;
    bool m_nativeFilterInstalled = false;
    bool m_rawMotionSelected = false;
    bool m_globalPending = false;
    int m_xinputOpcode = -1;
    QTimer* m_poll = nullptr;
    QPoint m_lastPolled;
};
