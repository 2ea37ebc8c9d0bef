#include "app/StandardDialogService.h"

#include "app/PictureFileDialog.h"

#include "grid/DxGrid.h"
#include "grid/PrintPreview.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

namespace {
QWidget *owner()
{
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}
} // namespace

QString StandardDialogService::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts.at(i);
    return out.join(QStringLiteral(";;"));
}

QString StandardDialogService::saveFileName(const QString &filter, const QString &proposedName)
{
    return QFileDialog::getSaveFileName(owner(), {}, proposedName, qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString StandardDialogService::openPictureName(const QString &filter)
{
    PictureFileDialog dialog(owner(), qtFilter(filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString StandardDialogService::openFileName(const QString &filter)
{
    return QFileDialog::getOpenFileName(owner(), {}, {}, qtFilter(filter));
}

void StandardDialogService::printPreview(const QWidget &list, const QString &title)
{
    const auto *grid = qobject_cast<const DxGrid *>(&list);
    if (!grid)
        return;
    PrintPreview preview(grid, title, owner());
    preview.exec();
}
