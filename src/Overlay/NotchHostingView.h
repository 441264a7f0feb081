#pragma once

#include <QWidget>

// The panel's content: hosts one root view and keeps it filling its bounds.
class NotchHostingView final : public QWidget {
    Q_OBJECT
public:
    explicit NotchHostingView(QWidget* parent = nullptr);

    // Takes ownership; a previous root view is deleted later.
    void setRootView(QWidget* rootView);
    QWidget* rootView() const { return m_rootView; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_rootView = nullptr;
};
