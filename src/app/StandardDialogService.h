#pragma once

#include "base/DialogService.h"

// Qt's own dialogs, and the grid's print preview.
class StandardDialogService : public DialogService
{
public:
    QString saveFileName(const QString &filter, const QString &proposedName) override;
    QString openPictureName(const QString &filter) override;
    QString openFileName(const QString &filter) override;
    // `list` must be a DxGrid; anything else previews nothing.
    void printPreview(const QWidget &list, const QString &title) override;

    // "HTML (*.html)|*.html|All (*.*)|*.*" as Qt writes it: "HTML (*.html);;All (*.*)".
    static QString qtFilter(const QString &filter);
};
