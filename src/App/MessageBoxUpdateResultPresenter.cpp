#include "App/MessageBoxUpdateResultPresenter.h"

#include <QMessageBox>

QString MessageBoxUpdateResultPresenter::title(const UpdateCheckResult& result)
{
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::UpdateAvailable: return QStringLiteral("Update Available");
    case UpdateCheckResult::Outcome::UpToDate: return QStringLiteral("QuaverLoom Is Up to Date");
    case UpdateCheckResult::Outcome::Failed: break;
    }
    return QStringLiteral("Update Check Failed");
}

QString MessageBoxUpdateResultPresenter::text(const UpdateCheckResult& result)
{
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::UpdateAvailable:
        return QStringLiteral("QuaverLoom %1 is available. You are running version %2.")
            .arg(result.latestVersion, result.currentVersion);
    case UpdateCheckResult::Outcome::UpToDate:
        return QStringLiteral("You are running version %1, the newest version available.").arg(result.currentVersion);
    case UpdateCheckResult::Outcome::Failed: break;
    }
    return QStringLiteral("QuaverLoom could not check for updates.\n\n%1").arg(result.failureDescription);
}

void MessageBoxUpdateResultPresenter::present(const UpdateCheckResult& result)
{
    const auto icon = result.outcome == UpdateCheckResult::Outcome::Failed ? QMessageBox::Warning
                                                                           : QMessageBox::Information;
    auto* box = new QMessageBox(icon, title(result), text(result), QMessageBox::Ok, m_parent ? m_parent() : nullptr);
    // A window of its own takes the desktop's palette, not its parent's, unless told to.
    box->setAttribute(Qt::WA_WindowPropagation);
    // Feed and server texts are not ours: never let them be read as markup.
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    box->raise();
    box->activateWindow();
}
