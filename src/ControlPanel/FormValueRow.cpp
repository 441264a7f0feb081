#include "ControlPanel/FormValueRow.h"

#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/SymbolImageView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ControlPanelStyle;

FormValueRow::FormValueRow(const std::optional<QString>& systemImage, const QString& title, const QString& subtitle,
                           bool showsDivider, QWidget* trailing, QWidget* parent)
    : QWidget(parent), m_title(new QLabel(title)), m_subtitle(new QLabel(subtitle)), m_trailing(trailing),
      m_showsDivider(showsDivider)
{
    setMinimumHeight(84);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 0, 24, 0);
    row->setSpacing(16);
    if (systemImage)
        row->addWidget(new SymbolImageView(*systemImage, 18, QSize(22, 22), [](const QPalette& p) { return secondary(p); }));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addStretch(1);
    for (QLabel* label : {m_title, m_subtitle}) {
        label->setTextFormat(Qt::PlainText);
        label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        texts->addWidget(label);
    }
    texts->addStretch(1);
    m_title->setFont(ControlPanelStyle::textFont(TextStyle::headline));
    m_subtitle->setFont(ControlPanelStyle::textFont(TextStyle::subheadline));
    m_subtitle->setWordWrap(true);
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    row->addLayout(texts, 1);
    row->addSpacing(16);
    if (trailing)
        row->addWidget(trailing, 0, Qt::AlignVCenter);
    setAccessibleName(title);
}

void FormValueRow::setSubtitle(const QString& subtitle)
{
    m_subtitle->setText(subtitle);
}

void FormValueRow::paintEvent(QPaintEvent*)
{
    if (!m_showsDivider)
        return;
    QPainter painter(this);
    painter.setPen(QPen(primary(palette(), 0.1), 1));
    painter.drawLine(QPointF(24, height() - 0.5), QPointF(width(), height() - 0.5));
}

FormActionRow::FormActionRow(const std::optional<QString>& systemImage, const QString& title, const QString& subtitle,
                             const QString& buttonTitle, bool showsDivider, std::function<void()> action,
                             QWidget* parent)
    : FormValueRow(systemImage, title, subtitle, showsDivider, new QPushButton, parent)
{
    QPushButton* push = button();
    // The title comes from the template: no mnemonic may eat an ampersand.
    QString escaped = buttonTitle;
    push->setText(escaped.replace(u'&', QStringLiteral("&&")));
    push->setAccessibleName(buttonTitle);
    push->setCursor(Qt::PointingHandCursor);
    connect(push, &QPushButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}

QPushButton* FormActionRow::button() const
{
    return static_cast<QPushButton*>(trailing());
}
