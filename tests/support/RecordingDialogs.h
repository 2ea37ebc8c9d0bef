#pragma once

#include "base/DialogService.h"

#include <QList>
#include <QString>

// Stands in for the file dialogs and the print preview: records what was asked, answers from a script.
class RecordingDialogs : public DialogService
{
public:
    struct Asked {
        QString filter;
        QString proposed;
    };

    QString saveFileName(const QString &filter, const QString &proposedName) override
    {
        saves.append({filter, proposedName});
        return saveAnswer;
    }
    QString openPictureName(const QString &filter) override
    {
        opens.append({filter, {}});
        return openAnswer;
    }
    QString openFileName(const QString &filter) override
    {
        opens.append({filter, {}});
        return openAnswer;
    }
    void printPreview(const QWidget &list, const QString &title) override { previews.append({&list, title}); }

    QList<Asked> saves;
    QList<Asked> opens;
    QList<QPair<const QWidget *, QString>> previews;
    QString saveAnswer; // empty: the user cancels
    QString openAnswer;
};
