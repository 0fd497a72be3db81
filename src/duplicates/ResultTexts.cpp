#include "ResultTexts.h"

#include "DuplicateTables.h"
#include "text/DisplayText.h"

namespace tolvex::duplicates {

QString sizeText(qint32 size)
{
    // A size of 2 GiB and more reads as negative, and is shown as it reads.
    if (size <= 0)
        return QString::number(size / 1048576.0, 'g', QLocale::FloatingPointShortest).replace(u'.', u',') +
               QStringLiteral(" Мб");
    return text::roundedQuotient(quint64(size), 1048576, u',') + QStringLiteral(" Мб");
}

QString timeText(qint32 time) { return text::dateTimeText(text::fromDosDateTime(quint32(time))); }

QString criteriaText(const DuplicateCriteria &criteria)
{
    QString text;
    if (criteria.SameName)
        text += QStringLiteral(" Имя");
    if (criteria.SameSize)
        text += QStringLiteral(" Размер");
    if (criteria.SameContent)
        text += QStringLiteral(" Содержимое");
    return text;
}

} // namespace tolvex::duplicates
