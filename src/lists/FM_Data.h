#pragma once

#include "lists/ListWindow.h"

class TD_Data;

// Data CDs, with the items of the focused one underneath.
class TF_Data : public TListWindow
{
    Q_OBJECT
public:
    using EditDataCD = std::function<void(int cdId)>;
    TF_Data(TD_Data &store, EditDataCD showEditDataCD, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *DataCDsList() const { return mainGrid(); }
    DxGrid *dxDBGrid1() const { return detailGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TD_Data &m_store;
    EditDataCD m_edit;
};
