#pragma once

#include "Sorting/LanguageModel.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The ids of a model listing, and those of them that generate text, in the server's order.
struct ModelListing {
    QStringList ids;
    QStringList chatModels;
};

// One exchange with the model server as the client saw it, and how its body
// reads: as a chat completion, as a model listing, or why it is neither. The
// causes are written for the log; none of them quotes an answer's content,
// which holds task titles.
struct ModelServerReply {
    enum class Outcome { answered, connectionRefused, timedOut, tooLarge, failed };
    Outcome outcome = Outcome::failed;
    int status = 0;
    QByteArray body;
    QByteArray location; // where a redirect points
    // Why the exchange failed; for an answered reply whose body broke off, how it broke off.
    QString errorString;
    // Answered, but the body stopped short: a status that is no success keeps its meaning.
    bool cutShort = false;

    bool isSuccess() const { return outcome == Outcome::answered && status >= 200 && status <= 299; }

    // `cause` gets, for the log, why an answered reply is of no use where the response does not say it.
    LanguageModel::Response chatResponse(int timeoutMs, QString* cause) const;
    std::optional<ModelListing> modelListing() const;
    // Why an answered reply holds no readable model listing; empty when it holds one.
    QString listingProblem() const;
    // The server says the model asked cannot chat (an embedding model, say).
    bool refusesChat() const;
    // The server's own reason for refusing ({"error":{"message":...}} or {"error":"..."}), on one line.
    QString serverErrorMessage() const;
};

// Text from the server (or about it), made safe for one log line: control and
// format characters dropped, white space folded, length bounded.
QString oneLogLine(const QString& text, qsizetype maximumLength = 300);
// A model id as the log shows it: quoted, bounded, on one line.
QString quotedModelId(const QString& id);
// "150 ms", "3 s".
QString durationText(int milliseconds);
