#pragma once

// A server's password never stands in an address that is written down or shown: not in the
// settings, not in the process list. The program keeps it in the desktop's keyring, the tools leave
// it to libpq (PGPASSWORD, ~/.pgpass); one typed into an address is taken out of it and used from here.

#include <QString>

#include <functional>

namespace db {

// `address` without the password it holds (user:password@ or a password= parameter), every other
// character as it was; `password`, when given, receives the password, decoded. A file's path, or an
// address without a password, comes back unchanged.
QString addressWithoutPassword(const QString &address, QString *password = nullptr);

// Asked for the password of an address (given without one) when its server asks for one that
// libpq's own sources (PGPASSWORD, ~/.pgpass) did not give; an empty answer is none.
using PasswordSource = std::function<QString(const QString &address)>;
void setPasswordSource(PasswordSource source);
QString passwordFor(const QString &address);

// Takes every password out of the program's arguments, in place, before anything reads them: the
// process list then shows the addresses without it, and passwordFor() answers it for the rest of the
// run. Call first thing in main().
void takePasswordsFromArguments(int argc, char **argv);

} // namespace db
