#pragma once

#include "base/MessageService.h"

#include <cstdio>

// A box in a benchmark means something failed: say so on standard error instead of showing
// anything, and answer every question Yes.
class LoudMessages : public MessageService
{
public:
    void show(Kind, const QString &text) override
    {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
    }
    bool confirm(const QString &text) override
    {
        ++boxes;
        std::fprintf(stderr, "question: %s\n", qPrintable(text));
        return true;
    }
    int boxes = 0;
};
