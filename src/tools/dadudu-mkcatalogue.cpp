// Makes an empty catalogue file: dadudu-mkcatalogue PATH
#include "store/CatalogueFile.h"
#include "store/DbEngine.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        QTextStream(stderr) << "usage: dadudu-mkcatalogue PATH\n";
        return 2;
    }
    try {
        createEmptyCatalogue(app.arguments().at(1));
    } catch (const DbError &e) {
        QTextStream(stderr) << e.text() << '\n';
        return 1;
    }
    return 0;
}
