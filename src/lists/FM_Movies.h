#pragma once

#include "lists/ListWindow.h"

class TD_Movie;

// Movies with their type.
class TF_Movies : public TListWindow
{
    Q_OBJECT
public:
    using EditMovie = std::function<void(int movieId, const QString &title, const QString &type)>;
    TF_Movies(TD_Movie &store, EditMovie showEditMovie, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *MoviesList() const { return mainGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    TD_Movie &m_store;
    EditMovie m_edit;
};
