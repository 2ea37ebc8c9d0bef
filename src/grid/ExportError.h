#pragma once

#include <QString>

#include <stdexcept>

// An export or print file that could not be written. what() and text() name the file and the reason.
class ExportError : public std::runtime_error
{
public:
    explicit ExportError(const QString &text);
    QString text() const { return m_text; }

private:
    QString m_text;
};
