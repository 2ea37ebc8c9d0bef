#pragma once

#include "lists/ListWindow.h"

// A list window with nothing to delete, edit or reload, for the lists whose own window is not
// what a test looks at: the main window only needs something to bring to the front.
class StandInListWindow : public TListWindow
{
public:
    explicit StandInListWindow(MessageService &messages)
        : TListWindow({QStringLiteral("stand-in"), QSize(300, 200)}, messages)
    {
    }

protected:
    void deleteRecord(int) override {}
    void reload() override {}
    void editFirstSelected() override {}
};
