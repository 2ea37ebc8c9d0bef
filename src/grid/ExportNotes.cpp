#include "grid/ExportNotes.h"

#include "base/Texts.h"

#include <QLocale>

namespace {
// A message box lists this many cut cells; the rest are counted.
constexpr int ListedCuts = 20;
constexpr int LabelLength = 40;
} // namespace

QString ExportNotes::text() const
{
    const QLocale locale = QLocale::system();
    QStringList parts;
    if (sheets.size() > 1) {
        QStringList quoted;
        for (const QString &s : sheets)
            quoted << u'"' + s + u'"';
        parts << Texts::ExportMoreSheets.arg(locale.toString(sheetRows), quoted.join(QStringLiteral(", ")));
    }
    if (!cutCells.empty()) {
        QString cuts = Texts::ExportCellsCut.arg(locale.toString(cellLimit));
        const int listed = qMin(int(cutCells.size()), ListedCuts);
        for (int i = 0; i < listed; ++i) {
            const CutCell &c = cutCells[size_t(i)];
            QString label = c.label.simplified();
            if (label.size() > LabelLength)
                label = label.left(SheetText::safeCut(label, LabelLength - 1)) + QChar(0x2026);
            cuts += u'\n' + Texts::ExportCutCell.arg(c.sheet, QString::number(c.row), label, c.column);
        }
        if (int(cutCells.size()) > listed)
            cuts += u'\n' + Texts::ExportMoreCuts.arg(int(cutCells.size()) - listed);
        parts << cuts;
    }
    return parts.join(QStringLiteral("\n\n"));
}

namespace SheetText {

qsizetype safeCut(QStringView text, qsizetype limit)
{
    if (text.size() <= limit)
        return text.size();
    if (limit > 0 && text[limit - 1].isHighSurrogate() && text[limit].isLowSurrogate())
        return limit - 1;
    return limit;
}

QString cellText(const QString &text, int limit, bool *cut)
{
    QString s = text;
    if (s.contains(u'\r')) {
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(u'\r', u'\n');
    }
    const qsizetype keep = safeCut(s, limit);
    if (cut)
        *cut = keep < s.size();
    if (keep < s.size())
        s.truncate(keep);
    return s;
}

int wrappedLines(const QString &text, int widthPx)
{
    // An average character of the sheet's body font is narrower than 7 pixels; counting 7 leaves
    // room for the ends of lines that wrap at a word.
    const int perLine = qMax(1, (widthPx - 5) / 7);
    int lines = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u'\n', start);
        const qsizetype length = (end < 0 ? text.size() : end) - start;
        lines += qMax<qsizetype>(1, (length + perLine - 1) / perLine);
        if (end < 0)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace SheetText
