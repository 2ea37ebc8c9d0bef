#pragma once

#include "base/MessageService.h"

#include <QList>
#include <QString>

#include <functional>

// Stands in for the message boxes: records each one and answers questions from a script.
class RecordingMessages : public MessageService
{
public:
    struct Box {
        Kind kind;
        QString text;
        QString details; // kept apart from the text, as the real box keeps them behind a button
    };

    void show(Kind kind, const QString &text) override;
    void showDetailed(Kind kind, const QString &text, const QString &details) override;
    bool confirm(const QString &text) override;

    QList<Box> boxes; // every box shown, questions included (kind Information is never used for them)
    QList<QString> questions;
    bool answer = true;                      // the answer to every question
    std::function<void(const Box &)> onShow; // runs while the "box" is up, e.g. to look at the database

    QStringList texts() const;
    void clear()
    {
        boxes.clear();
        questions.clear();
    }
};
