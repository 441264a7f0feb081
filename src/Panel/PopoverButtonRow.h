#pragma once

#include <QFont>
#include <QWidget>
#include <functional>

class QHBoxLayout;
class QAbstractButton;

// The row of borderless buttons at the foot of a popover editor.
class PopoverButtonRow final : public QWidget {
    Q_OBJECT
public:
    PopoverButtonRow(const QFont& font, QWidget* parent = nullptr);

    // Button titles are our own fixed texts, never user text.
    QAbstractButton* addButton(const QString& title, std::function<void()> action);
    void addStretch();

private:
    QHBoxLayout* m_layout;
    QFont m_font;
};
