#pragma once

#include "lists/ListWindow.h"

class TD_Track;

// Every track with its CD and artist; editing opens the whole CD of the focused track.
class TF_Track : public TListWindow
{
    Q_OBJECT
public:
    using EditAudioCD = std::function<void(int cdId)>;
    TF_Track(TD_Track &store, EditAudioCD showEditAudioCD, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *TrackList() const { return mainGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TD_Track &m_store;
    EditAudioCD m_edit;
};
