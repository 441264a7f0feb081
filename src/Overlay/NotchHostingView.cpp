#include "Overlay/NotchHostingView.h"

NotchHostingView::NotchHostingView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}

void NotchHostingView::setRootView(QWidget* rootView)
{
    if (rootView == m_rootView)
        return;
    if (m_rootView) {
        m_rootView->hide();
        m_rootView->deleteLater();
    }
    m_rootView = rootView;
    if (m_rootView) {
        m_rootView->setParent(this);
        m_rootView->setGeometry(rect());
        m_rootView->show();
    }
}

void NotchHostingView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_rootView)
        m_rootView->setGeometry(rect());
}
