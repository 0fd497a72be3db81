#pragma once

#include <QString>

namespace tolvex::duplicates {

// A result row's size in megabytes, two decimals at most, a comma ("3,81 Мб").
QString sizeText(qint32 size);
// Its MS-DOS time in the user's short date and long time, the date alone at midnight.
QString timeText(qint32 time);
// " Имя Размер Содержимое" for the criteria in force.
struct DuplicateCriteria;
QString criteriaText(const DuplicateCriteria &criteria);

} // namespace tolvex::duplicates
