#include "ControlPanel/PageHeader.h"

#include "ControlPanel/ControlPanelStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace ControlPanelStyle;

PageHeader::PageHeader(QWidget* parent)
    : QWidget(parent), m_title(new QLabel), m_subtitle(new QLabel), m_texts(new QVBoxLayout), m_row(new QHBoxLayout(this))
{
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(24);
    QFont titleFont = systemFont(32, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    m_title->setFont(titleFont);
    m_subtitle->setFont(textFont(TextStyle::title3));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    for (QLabel* label : {m_title, m_subtitle})
        label->setTextFormat(Qt::PlainText);
    m_texts->setContentsMargins(0, 0, 0, 0);
    m_texts->addWidget(m_title);
    m_texts->addWidget(m_subtitle);
    m_row->addLayout(m_texts);
    m_row->addStretch(1);
    m_row->addSpacing(0);
}

void PageHeader::setContent(const QString& title, const QString& subtitle, QWidget* accessory)
{
    m_title->setText(title);
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
    m_texts->setSpacing(subtitle.isEmpty() ? 0 : 6);
    if (m_accessory != accessory) {
        if (m_accessory) {
            m_row->removeWidget(m_accessory);
            m_accessory->hide();
        }
        m_accessory = accessory;
        if (accessory) {
            m_row->addWidget(accessory, 0, Qt::AlignTop);
            accessory->show();
        }
    }
}
