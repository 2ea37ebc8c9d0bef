#pragma once

#include "lists/ListWindow.h"

class MovieStore;

// Movies with their type.
class MovieListWindow : public ListWindow
{
    Q_OBJECT
public:
    using EditMovie = std::function<void(int movieId)>;
    MovieListWindow(MovieStore &store, EditMovie showEditMovie, MessageService &messages, QWidget *parent = nullptr);

    DxGrid *moviesList() const { return mainGrid(); }

protected:
    void deleteRecord(int id) override;
    void reload() override;
    void editFirstSelected() override;

private:
    MovieStore &m_store;
    EditMovie m_edit;
};
