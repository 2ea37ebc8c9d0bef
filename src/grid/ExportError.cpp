#include "grid/ExportError.h"

ExportError::ExportError(const QString &text)
    : std::runtime_error(text.toStdString())
    , m_text(text)
{
}
