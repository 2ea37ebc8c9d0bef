#pragma once

#include <QDir>
#include <QString>

// Makes a folder the process's current one for the guard's life and puts the previous one back
// however the test ends: a failed check returns from the test function, and the tests after it
// must not find their relative paths moved.
class ScopedCurrentFolder
{
public:
    explicit ScopedCurrentFolder(const QString &folder)
        : m_previous(QDir::currentPath())
        , m_entered(QDir::setCurrent(folder))
    { }
    ~ScopedCurrentFolder() { QDir::setCurrent(m_previous); }
    ScopedCurrentFolder(const ScopedCurrentFolder &) = delete;
    ScopedCurrentFolder &operator=(const ScopedCurrentFolder &) = delete;

    bool entered() const { return m_entered; }

private:
    QString m_previous;
    bool m_entered;
};
