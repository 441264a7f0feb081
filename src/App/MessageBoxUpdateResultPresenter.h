#pragma once

#include "App/UpdateResultPresenting.h"

class QWidget;

// A non-modal message box, so the check's caller never waits on the user.
class MessageBoxUpdateResultPresenter final : public UpdateResultPresenting {
public:
    explicit MessageBoxUpdateResultPresenter(QWidget* parent = nullptr) : m_parent(parent) {}

    void present(const UpdateCheckResult& result) override;

    static QString title(const UpdateCheckResult& result);
    static QString text(const UpdateCheckResult& result);

private:
    QWidget* m_parent;
};
