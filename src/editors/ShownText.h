#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

// A stored text as its box shows it. A box changes what it is given: a line edit cuts it at its
// limit, a text edit turns CR LF and no-break spaces into others, and an empty box is no NULL.
// While the box still shows what it was given, the stored text itself is what a save stores, so a
// record saved without a change stays as it was; a line edit's limit grows to hold the whole text,
// since typing limits apply to typing only.
class ShownText
{
public:
    void show(QLineEdit *box, const QString &stored)
    {
        box->setMaxLength(qMax(box->maxLength(), int(stored.size())));
        box->setText(stored);
        remember(stored, box->text());
    }
    void show(QPlainTextEdit *box, const QString &stored)
    {
        box->setPlainText(stored);
        remember(stored, box->toPlainText());
    }

    // The box's text `now` is still what it was given.
    bool unchanged(const QString &now) const { return m_shown && now == m_shownText; }

    // What to store for the box's text `now`: never a null text for one the user gave.
    QString value(const QString &now) const
    {
        if (unchanged(now))
            return m_stored;
        return now.isNull() ? QStringLiteral("") : now;
    }

private:
    void remember(const QString &stored, const QString &shown)
    {
        m_stored = stored;
        m_shownText = shown;
        m_shown = true;
    }

    QString m_stored;
    QString m_shownText;
    bool m_shown = false;
};
