#include "Panel/WorkspaceDeleteConfirmation.h"

#include "Panel/NotchShape.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int cardWidth = 300;
constexpr int cardRadius = 14;
const QColor cardColor(36, 36, 40);

// One of the two answers: a filled capsule, ringed while it has the keyboard.
class ConfirmationButton final : public QAbstractButton {
public:
    ConfirmationButton(const QString& title, bool destructive, QWidget* parent)
        : QAbstractButton(parent), m_destructive(destructive)
    {
        setText(title);
        setAccessibleName(title);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::ArrowCursor);
        setFixedHeight(28);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect()).adjusted(2, 2, -2, -2);
        QColor fill = m_destructive ? SystemColors::red() : QColor(255, 255, 255, 36);
        if (isDown())
            fill = fill.darker(120);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(bounds, 7, 7);
        if (hasFocus()) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(QGuiApplication::palette().color(QPalette::Highlight), 2));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
        }
        painter.setPen(Qt::white);
        painter.setFont(font());
        painter.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QAbstractButton::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QAbstractButton::focusOutEvent(event);
        update();
    }

private:
    bool m_destructive;
};
} // namespace

WorkspaceDeleteConfirmation::WorkspaceDeleteConfirmation(QWidget* host)
    : QWidget(host),
      m_host(host),
      m_card(new QWidget(this)),
      m_title(new QLabel(m_card)),
      m_message(new QLabel(messageText(), m_card)),
      m_cancel(new ConfirmationButton(QStringLiteral("Cancel"), false, m_card)),
      m_delete(new ConfirmationButton(QStringLiteral("Delete Section"), true, m_card))
{
    setFocusPolicy(Qt::NoFocus);
    for (QLabel* label : {m_title, m_message}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    m_message->setAccessibleName(messageText());
    m_cancel->setAccessibleDescription(QStringLiteral("Keeps the section"));
    m_delete->setAccessibleDescription(QStringLiteral("Deletes the section and every task inside it"));
    setAccessibleDescription(messageText());

    auto* layout = new QVBoxLayout(m_card);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(m_title);
    layout->addWidget(m_message);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(m_cancel, 1);
    buttons->addWidget(m_delete, 1);
    layout->addLayout(buttons);

    connect(m_cancel, &QAbstractButton::clicked, this, [this] { answer(false); });
    connect(m_delete, &QAbstractButton::clicked, this, [this] { answer(true); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { keepKeyboard(now); });
    if (m_host)
        m_host->installEventFilter(this);
    hide();
    setInputs(m_inputs);
}

WorkspaceDeleteConfirmation::~WorkspaceDeleteConfirmation()
{
    // The buttons go with QWidget's destructor, and a focused one moves the
    // focus as it goes: by then this object is no longer one to tell.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

QString WorkspaceDeleteConfirmation::titleText(const QString& workspaceTitle)
{
    return QStringLiteral("Delete ") + workspaceTitle + QStringLiteral("?");
}

QString WorkspaceDeleteConfirmation::messageText()
{
    return QStringLiteral("This removes the section and deletes every task inside it.");
}

void WorkspaceDeleteConfirmation::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    const auto& appearance = inputs.configuration.appearance;
    QFont title = TemplateStyle::font(inputs.configuration.typography.taskFont);
    title.setWeight(QFont::DemiBold);
    m_title->setFont(title);
    const QString text = titleText(inputs.workspaceTitle);
    m_title->setText(text);
    m_title->setAccessibleName(text);
    setAccessibleName(text);
    m_message->setFont(TemplateStyle::systemFont(12));
    for (QLabel* label : {m_title, m_message}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, TemplateStyle::color(label == m_title ? appearance.primaryTextColor
                                                                                     : appearance.secondaryTextColor));
        label->setPalette(palette);
    }
    const QFont buttonFont = TemplateStyle::systemFont(12, QFont::Medium);
    m_cancel->setFont(buttonFont);
    m_delete->setFont(buttonFont);
    if (isVisible())
        cover();
}

void WorkspaceDeleteConfirmation::present()
{
    if (!isVisible()) {
        QWidget* focused = QApplication::focusWidget();
        m_previousFocus = focused && focused->window() == window() && !isAncestorOf(focused) ? focused : nullptr;
    }
    cover();
    show();
    raise();
    m_cancel->setFocus(Qt::OtherFocusReason);
}

void WorkspaceDeleteConfirmation::dismiss()
{
    if (!isVisible())
        return;
    const bool hadKeyboard = isAncestorOf(QApplication::focusWidget());
    hide();
    if (hadKeyboard && m_previousFocus && m_previousFocus->isVisible())
        m_previousFocus->setFocus(Qt::OtherFocusReason);
    m_previousFocus = nullptr;
}

void WorkspaceDeleteConfirmation::cover()
{
    if (!m_host)
        return;
    setGeometry(m_host->rect());
    const int width = std::min(cardWidth, std::max(0, this->width() - 32));
    m_card->setFixedWidth(width);
    const int height = m_card->layout()->heightForWidth(width);
    m_card->setFixedHeight(std::max(height, m_card->layout()->minimumSize().height()));
    m_card->move((this->width() - width) / 2, std::max(0, (this->height() - m_card->height()) / 2));
    update();
}

void WorkspaceDeleteConfirmation::answer(bool confirmed)
{
    const auto callback = confirmed ? m_callbacks.onDelete : m_callbacks.onCancel;
    if (callback)
        callback();
}

void WorkspaceDeleteConfirmation::keepKeyboard(QWidget* now)
{
    // Modal to the panel: nothing else in its window takes the keyboard while it asks.
    if (!isVisible() || !now || now->window() != window() || isAncestorOf(now))
        return;
    m_cancel->setFocus(Qt::OtherFocusReason);
}

bool WorkspaceDeleteConfirmation::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host && event->type() == QEvent::Resize && isVisible())
        cover();
    return QWidget::eventFilter(watched, event);
}

bool WorkspaceDeleteConfirmation::focusNextPrevChild(bool)
{
    // Tab moves between the two answers and never leaves the card.
    (m_cancel->hasFocus() ? m_delete : m_cancel)->setFocus(Qt::TabFocusReason);
    return true;
}

void WorkspaceDeleteConfirmation::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        answer(false);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Only a deliberate move to the destructive choice makes Return delete.
        if (m_delete->hasFocus())
            answer(true);
        else if (m_cancel->hasFocus())
            answer(false);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
        focusNextPrevChild(event->key() == Qt::Key_Right);
        return;
    default:
        break;
    }
    // Typing goes nowhere else while the question stands.
    event->accept();
}

void WorkspaceDeleteConfirmation::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void WorkspaceDeleteConfirmation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = std::max(0.0, m_inputs.configuration.appearance.expandedCornerRadius);
    painter.fillPath(NotchShape{radius, 0}.path(QRectF(rect())), QColor(0, 0, 0, 110));
    const QRectF card = QRectF(m_card->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(cardColor);
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1));
    painter.drawRoundedRect(card, cardRadius, cardRadius);
}
