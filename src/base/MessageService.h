#pragma once

#include <QString>

// Every message box of the program goes through this, so tests replace it and read back what the
// user would have seen. Captions and buttons are the program's fixed French ones.
class MessageService
{
public:
    enum class Kind {
        Warning,     // "Avertissement", OK
        Error,       // "Erreur", OK
        Information, // "Information", OK
        Unhandled,   // the application title "Dadudu", OK: an error nothing else caught
    };

    virtual ~MessageService() = default;

    virtual void show(Kind kind, const QString &text) = 0;
    // `details`, for the one who wants to know more (the engine's own words), kept apart from the
    // text; a service with no place for them puts them after it.
    virtual void showDetailed(Kind kind, const QString &text, const QString &details)
    {
        show(kind, details.isEmpty() ? text : text + QStringLiteral("\r\n") + details);
    }
    // "Confirmation" with "&Oui" and "&Non"; true only for Yes.
    virtual bool confirm(const QString &text) = 0;

    void warning(const QString &text) { show(Kind::Warning, text); }
    void error(const QString &text) { show(Kind::Error, text); }
    void information(const QString &text) { show(Kind::Information, text); }
};
