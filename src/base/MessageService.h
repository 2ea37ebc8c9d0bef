#pragma once

#include <QString>

// Every message box of the program goes through this, so tests replace it and read back what the
// user would have seen. Captions and buttons are the program's fixed French ones.
class MessageService
{
public:
    enum class Kind {
        Warning,      // "Avertissement", OK
        Error,        // "Erreur", OK
        Information,  // "Information", OK
        Unhandled,    // the application title "Dadudu", OK: an error nothing else caught
    };

    virtual ~MessageService() = default;

    virtual void show(Kind kind, const QString &text) = 0;
    // "Confirmation" with "&Oui" and "&Non"; true only for Yes.
    virtual bool confirm(const QString &text) = 0;

    void warning(const QString &text) { show(Kind::Warning, text); }
    void error(const QString &text) { show(Kind::Error, text); }
    void information(const QString &text) { show(Kind::Information, text); }
};
