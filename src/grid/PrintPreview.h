#pragma once

#include "base/Texts.h"

#include <QDialog>
#include <QPrinter>
#include <QTimer>

#include <memory>

class DxGrid;
class GridPrinter;
class PreviewPages;
class QAction;
class QLabel;

// The print preview of a grid, with the house page setup; printing starts from its toolbar.
//   PrintPreview(grid, QStringLiteral("Audio CDs"), this).exec();
// It shows the first page at once and counts the others while the window stays at the user's
// command, a few milliseconds at a time; until they are all counted the footers read "of …".
// Closing the window stops the count.
class PrintPreview : public QDialog
{
    Q_OBJECT
public:
    PrintPreview(const DxGrid *grid, const QString &title, QWidget *parent = nullptr);
    ~PrintPreview() override;

    static QString caption() { return Texts::PrintPreviewCaption; }
    QPrinter *printer() { return &m_printer; }

    // Pages that can be shown: all of them once counted.
    int settledPages() const;
    // -1 until counted.
    int pageCount() const;
    bool isCounting() const { return m_slice.isActive(); }
    int currentPage() const;
    void setCurrentPage(int page);

    // Counts what is left, then prints every page on printer(), under a progress dialog whose
    // Cancel stops the job; false when stopped or when the printer cannot start.
    bool printDocument();
    // How long a print runs before its progress dialog shows; a short job shows none.
    void setProgressDelayMs(int ms) { m_progressDelayMs = ms; }

signals:
    void pagesSettled(int pages);
    void counted(int pages);

protected:
    void done(int result) override;

private:
    int m_progressDelayMs = 200;
    void restart();
    void countSlice();
    void print();
    void updateStatus();

    const DxGrid *m_grid;
    QString m_title;
    QPrinter m_printer;
    std::shared_ptr<GridPrinter> m_layout;
    QTimer m_slice;
    PreviewPages *m_pages;
    QLabel *m_status;
    QAction *m_print;
};
