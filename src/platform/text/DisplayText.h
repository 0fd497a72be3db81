#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// How numbers and times are shown to the user, one rule each for every page.
namespace tolvex::text {

// value / divisor to two decimals, halves to even, in its shortest form ("1,5", "2", "0,12"),
// with `decimalPoint` and no grouping; exact, whatever the size.
QString roundedQuotient(quint64 value, quint64 divisor, QChar decimalPoint);
// The locale's short date and long time (without a time zone); the date alone at midnight.
QString dateTimeText(const QDateTime &local, const QLocale &locale = QLocale());
// An MS-DOS date and time (date in the high 16 bits) as a local date and time.
QDateTime fromDosDateTime(quint32 dos);

} // namespace tolvex::text
