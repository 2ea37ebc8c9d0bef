#pragma once

#include <QString>

class QWidget;

// The file dialogs and the print preview, behind one interface so tests replace them and read back
// what was asked. Filters are written "Name (*.ext)|*.ext|All (*.*)|*.*".
class DialogService
{
public:
    virtual ~DialogService() = default;

    // The chosen file, or an empty text when the user cancelled. No question before overwriting.
    virtual QString saveFileName(const QString &filter, const QString &proposedName) = 0;
    virtual QString openPictureName(const QString &filter) = 0;
    // Any existing file; a service without it answers as if the user cancelled.
    virtual QString openFileName(const QString &filter)
    {
        (void)filter;
        return {};
    }
    // Modal; printing starts from the preview window. `list` is the list window's grid: only the
    // layer that builds windows knows what it is, so the interface stays below the grid.
    virtual void printPreview(const QWidget &list, const QString &title) = 0;
};
