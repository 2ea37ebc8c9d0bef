#pragma once

#include "lists/ListWindow.h"

class TD_Artist;

// Artists by name, with the titles of the focused artist's CDs underneath.
class TF_Artist : public TListWindow
{
    Q_OBJECT
public:
    using EditArtist = std::function<void(int artistId, const QString &name)>;
    TF_Artist(TD_Artist &store, EditArtist showEditArtist, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *ArtistsList() const { return mainGrid(); }
    DxGrid *dxDBGrid1() const { return detailGrid(); }

protected:
    QString confirmDeleteText() const override;
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TD_Artist &m_store;
    EditArtist m_edit;
};
