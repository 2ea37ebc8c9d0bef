#pragma once

#include "lists/ListWindow.h"

class DataItemStore;

// Every item of every data CD; editing opens the whole data CD of the focused item.
class DataItemListWindow : public ListWindow
{
    Q_OBJECT
public:
    using EditDataCD = std::function<void(int cdId)>;
    DataItemListWindow(DataItemStore &store, EditDataCD showEditDataCD, MessageService &messages,
                       QWidget *parent = nullptr);

    DxGrid *dataItemsList() const { return mainGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    DataItemStore &m_store;
    EditDataCD m_edit;
};
