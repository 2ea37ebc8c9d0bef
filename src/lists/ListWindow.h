#pragma once

#include "grid/GridExport.h"

#include <QString>
#include <QWidget>

#include <functional>

class DxGrid;
class MessageService;
class QLabel;
class QSplitter;

// What every list window shares: a read-only main grid bound to its store's list, an optional detail
// grid under a splitter, and the operations the main window sends to the list in front.
class ListWindow : public QWidget
{
    Q_OBJECT
public:
    struct Frame {
        QString caption;
        QSize normalSize;
        bool maximised = true;
        bool canMinimise = true; // without a minimise button the close box does nothing
    };

    ListWindow(const Frame &frame, MessageService &messages, QWidget *parent = nullptr);

    const Frame &frame() const { return m_frame; }
    DxGrid *mainGrid() const { return m_main; }
    DxGrid *detailGrid() const { return m_detail; }

    // Asks, deletes the selected rows one by one in selection order, reloads once.
    void deleteSelected();
    // Opens the editor for the first selected row, then reloads; nothing without a selection.
    void editCurrent();
    void saveToHtmlFile(const QString &fileName);
    // Excel 97-2003, or XLSX or CSV when the name ends so: the save dialog offers the three.
    void saveToXlsFile(const QString &fileName);
    // Writes the main grid in that format, then tells the user what the file could not hold.
    void saveToFile(const QString &fileName, GridExport::Format format);

    // On a catalogue that can only be read, Delete and a double click do nothing.
    void setReadOnly(bool on) { m_readOnly = on; }
    bool readOnly() const { return m_readOnly; }

    // The identifier in the hidden first column of the n-th selected row.
    int selectedId(int selected) const;

protected:
    // A detail panel: a caption bar over a grid without header or border.
    DxGrid *addDetail(const QString &caption);

    virtual QString confirmDeleteText() const;
    virtual void deleteRecord(int id) = 0;
    virtual void reload() = 0;
    virtual void editFirstSelected() = 0;

    void closeEvent(QCloseEvent *event) override;

    MessageService &m_messages;

private:
    Frame m_frame;
    DxGrid *m_main;
    DxGrid *m_detail = nullptr;
    QSplitter *m_splitter;
    bool m_readOnly = false;
};
