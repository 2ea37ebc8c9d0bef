#pragma once

#include <QString>

class DxGrid;

// The file dialogs and the print preview, behind one interface so tests replace them and read back
// what was asked. Filters are written "Name (*.ext)|*.ext|All (*.*)|*.*".
class DialogService
{
public:
    virtual ~DialogService() = default;

    // The chosen file, or an empty text when the user cancelled. No question before overwriting.
    virtual QString saveFileName(const QString &filter, const QString &proposedName) = 0;
    virtual QString openPictureName(const QString &filter) = 0;
    // Modal; printing starts from the preview window.
    virtual void printPreview(const DxGrid &grid, const QString &title) = 0;
};

// Qt's own dialogs.
class StandardDialogService : public DialogService
{
public:
    QString saveFileName(const QString &filter, const QString &proposedName) override;
    QString openPictureName(const QString &filter) override;
    void printPreview(const DxGrid &grid, const QString &title) override;

    // "HTML (*.html)|*.html|All (*.*)|*.*" as Qt writes it: "HTML (*.html);;All (*.*)".
    static QString qtFilter(const QString &filter);
};
