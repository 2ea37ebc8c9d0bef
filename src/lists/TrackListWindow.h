#pragma once

#include "lists/ListWindow.h"

class TrackStore;

// Every track with its CD and artist; editing opens the whole CD of the focused track.
class TrackListWindow : public ListWindow
{
    Q_OBJECT
public:
    using EditAudioCD = std::function<void(int cdId)>;
    TrackListWindow(TrackStore &store, EditAudioCD showEditAudioCD, MessageService &messages,
                    QWidget *parent = nullptr);

    DxGrid *trackList() const { return mainGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TrackStore &m_store;
    EditAudioCD m_edit;
};
