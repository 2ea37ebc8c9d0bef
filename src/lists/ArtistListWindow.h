#pragma once

#include "lists/ListWindow.h"

class ArtistStore;

// Artists by name, with the titles of the focused artist's CDs underneath.
class ArtistListWindow : public ListWindow
{
    Q_OBJECT
public:
    using EditArtist = std::function<void(int artistId)>;
    ArtistListWindow(ArtistStore &store, EditArtist showEditArtist, MessageService &messages,
                     QWidget *parent = nullptr);

    DxGrid *artistsList() const { return mainGrid(); }
    DxGrid *cdGrid() const { return detailGrid(); }

protected:
    QString confirmDeleteText() const override;
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    ArtistStore &m_store;
    EditArtist m_edit;
};
