#pragma once

#include <QFont>

// The face every window was laid out for, 8 points, with the metric-compatible faces that stand in
// for it where it is missing.
inline QFont windowFont()
{
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSize(8);
    return f;
}
