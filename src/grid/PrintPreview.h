#pragma once

#include "base/U_Constantes.h"

#include <QPrintPreviewDialog>

class DxGrid;

// The print preview of a grid, with the house page setup; printing starts from its toolbar.
//   PrintPreview(grid, QStringLiteral("Audio CDs"), this).exec();
class PrintPreview : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    PrintPreview(const DxGrid *grid, const QString &title, QWidget *parent = nullptr);

    static QString caption() { return U_Constantes::PrintPreviewCaption; }
};
