#pragma once

#include "lists/ListWindow.h"

class TD_DataItems;

// Every item of every data CD; editing opens the whole data CD of the focused item.
class TF_DataItems : public TListWindow
{
    Q_OBJECT
public:
    using EditDataCD = std::function<void(int cdId)>;
    TF_DataItems(TD_DataItems &store, EditDataCD showEditDataCD, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *DataItemsList() const { return mainGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TD_DataItems &m_store;
    EditDataCD m_edit;
};
