#include "support/RecordingMessages.h"

void RecordingMessages::show(Kind kind, const QString &text)
{
    showDetailed(kind, text, {});
}

void RecordingMessages::showDetailed(Kind kind, const QString &text, const QString &details)
{
    boxes.append({kind, text, details});
    if (onShow)
        onShow(boxes.last());
}

bool RecordingMessages::confirm(const QString &text)
{
    questions.append(text);
    return answer;
}

QStringList RecordingMessages::texts() const
{
    QStringList out;
    for (const auto &b : boxes)
        out << b.text;
    return out;
}
