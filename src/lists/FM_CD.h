#pragma once

#include "lists/ListWindow.h"

class TD_CD;

// The audio CDs, grouped and sorted by artist, with the tracks of the focused CD underneath.
class TF_CD : public TListWindow
{
    Q_OBJECT
public:
    using EditAudioCD = std::function<void(int cdId)>;
    TF_CD(TD_CD &store, EditAudioCD showEditAudioCD, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *AudioCDsList() const { return mainGrid(); }
    DxGrid *dxDBGrid2() const { return detailGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TD_CD &m_store;
    EditAudioCD m_showEditAudioCD;
};
