#include "support/RecordingMessages.h"

void RecordingMessages::show(Kind kind, const QString &text)
{
    boxes.append({kind, text});
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
