#pragma once

#include "Template/NotchTemplateConfiguration.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QLabel;

// The confirmation before a section is deleted, drawn inside the panel as a
// card over a dimmed panel. The panel's window bypasses the window manager
// and stacks above every managed window, so a separate dialog would open
// beneath it; drawn here it shows and takes the keyboard under any window
// manager or none. It is modal to the panel: it covers its host, swallows the
// pointer there, and keeps the keyboard until it is answered. Return answers
// with the focused choice (Cancel at first), Escape cancels.
class WorkspaceDeleteConfirmation final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        QString workspaceTitle;
    };
    struct Callbacks {
        std::function<void()> onDelete;
        std::function<void()> onCancel;
    };

    // Covers `host` whenever shown.
    explicit WorkspaceDeleteConfirmation(QWidget* host);
    ~WorkspaceDeleteConfirmation() override;

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // Shows over the host and takes the keyboard; dismiss() hides and hands
    // the keyboard back to whoever had it.
    void present();
    void dismiss();

    static QString titleText(const QString& workspaceTitle);
    static QString messageText();

    QWidget* card() const { return m_card; }
    QLabel* titleLabel() const { return m_title; }
    QAbstractButton* deleteButton() const { return m_delete; }
    QAbstractButton* cancelButton() const { return m_cancel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void cover();
    void answer(bool confirmed);
    void keepKeyboard(QWidget* now);

    Inputs m_inputs;
    Callbacks m_callbacks;
    QPointer<QWidget> m_host;
    QWidget* m_card;
    QLabel* m_title;
    QLabel* m_message;
    QAbstractButton* m_cancel;
    QAbstractButton* m_delete;
    QPointer<QWidget> m_previousFocus;
};
