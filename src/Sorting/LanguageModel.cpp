#include "Sorting/LanguageModel.h"

#include <QCoreApplication>
#include <QMetaObject>

QString LanguageModel::kindName(GenerationError::Kind kind)
{
    using Kind = GenerationError::Kind;
    switch (kind) {
    case Kind::exceededContextWindowSize: return QStringLiteral("exceededContextWindowSize");
    case Kind::assetsUnavailable: return QStringLiteral("assetsUnavailable");
    case Kind::guardrailViolation: return QStringLiteral("guardrailViolation");
    case Kind::unsupportedGuide: return QStringLiteral("unsupportedGuide");
    case Kind::unsupportedLanguageOrLocale: return QStringLiteral("unsupportedLanguageOrLocale");
    case Kind::decodingFailure: return QStringLiteral("decodingFailure");
    case Kind::rateLimited: return QStringLiteral("rateLimited");
    case Kind::concurrentRequests: return QStringLiteral("concurrentRequests");
    case Kind::refusal: return QStringLiteral("refusal");
    case Kind::other: return QStringLiteral("other");
    }
    return QStringLiteral("other");
}

void LanguageModel::deliverLater(QObject* context, std::function<void()> work)
{
    QObject* target = context ? context : QCoreApplication::instance();
    // A queued call to a destroyed receiver is dropped by Qt, which is the guard we want.
    QMetaObject::invokeMethod(target, std::move(work), Qt::QueuedConnection);
}
