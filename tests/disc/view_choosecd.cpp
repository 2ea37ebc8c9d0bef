// Opens the CDDB choice dialog with three matches, to look at it; not a test.
#include "disc/ChooseCDDialog.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString choice = chooseMatch({QStringLiteral("rock 0901c102 Some Artist / Some Title"),
                                        QStringLiteral("jazz 0901c1ff Other Artist / Other Title"),
                                        QStringLiteral("misc 0a01c102 Caf\u00e9 Tacvba / Re")});
    std::printf("%s\n", choice.toUtf8().constData());
    return 0;
}
