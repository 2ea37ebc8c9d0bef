#pragma once

#include "base/MessageService.h"

class QWidget;

// The real message boxes, with the program's French captions and buttons.
class BoxMessageService : public MessageService
{
public:
    void show(Kind kind, const QString &text) override;
    // The details stay behind the box's "Show Details..." button.
    void showDetailed(Kind kind, const QString &text, const QString &details) override;
    bool confirm(const QString &text) override;
};
