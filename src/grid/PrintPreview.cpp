#include "grid/PrintPreview.h"

#include "grid/DxGrid.h"
#include "grid/GridPrinter.h"

#include <QPrinter>

PrintPreview::PrintPreview(const DxGrid *grid, const QString &title, QWidget *parent)
    : QPrintPreviewDialog(parent)
{
    setWindowTitle(caption());
    GridPrinter::setupPage(*printer());
    connect(this, &QPrintPreviewDialog::paintRequested, this, [grid, title](QPrinter *printer) {
        GridPrinter(*grid->model(), title).print(printer);
    });
}
