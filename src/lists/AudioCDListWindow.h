#pragma once

#include "lists/ListWindow.h"

class AudioCDStore;

// The audio CDs, grouped and sorted by artist, with the tracks of the focused CD underneath.
class AudioCDListWindow : public ListWindow
{
    Q_OBJECT
public:
    using EditAudioCD = std::function<void(int cdId)>;
    AudioCDListWindow(AudioCDStore &store, EditAudioCD showEditAudioCD, MessageService &messages,
                      QWidget *parent = nullptr);

    DxGrid *audioCDsList() const { return mainGrid(); }
    DxGrid *trackGrid() const { return detailGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    AudioCDStore &m_store;
    EditAudioCD m_showEditAudioCD;
};
