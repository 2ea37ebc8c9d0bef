#pragma once

#include "lists/ListWindow.h"

class DataCDStore;

// Data CDs, with the items of the focused one underneath.
class DataCDListWindow : public ListWindow
{
    Q_OBJECT
public:
    using EditDataCD = std::function<void(int cdId)>;
    DataCDListWindow(DataCDStore &store, EditDataCD showEditDataCD, MessageService &messages,
                     QWidget *parent = nullptr);

    DxGrid *dataCDsList() const { return mainGrid(); }
    DxGrid *itemGrid() const { return detailGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    DataCDStore &m_store;
    EditDataCD m_edit;
};
