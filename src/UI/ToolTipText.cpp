#include "UI/ToolTipText.h"

#include "Platform/Text.h"

QString plainTextToolTip(const QString& userText)
{
    if (userText.isEmpty())
        return {};
    // pre-wrap keeps spaces and line breaks as typed and still wraps long lines.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>")
        .arg(Text::displayPrefix(userText).toHtmlEscaped());
}
