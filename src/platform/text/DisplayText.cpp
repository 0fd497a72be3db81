#include "DisplayText.h"

#include <QRegularExpression>

namespace tolvex::text {

QString roundedQuotient(quint64 value, quint64 divisor, QChar decimalPoint)
{
    const unsigned __int128 scaled = static_cast<unsigned __int128>(value) * 100;
    unsigned __int128 hundredths = scaled / divisor;
    const unsigned __int128 rest = scaled % divisor;
    if (rest * 2 > divisor || (rest * 2 == divisor && (hundredths & 1)))
        ++hundredths;
    QString text = QString::number(quint64(hundredths / 100));
    const int fraction = int(hundredths % 100);
    if (fraction == 0)
        return text;
    QString digits = QStringLiteral("%1").arg(fraction, 2, 10, QChar(u'0'));
    if (digits.endsWith(u'0'))
        digits.chop(1);
    return text + decimalPoint + digits;
}

QString dateTimeText(const QDateTime &local, const QLocale &locale)
{
    const QString date = locale.toString(local.date(), QLocale::ShortFormat);
    if (local.time() == QTime(0, 0))
        return date;
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QString());
    return date + u' ' + locale.toString(local.time(), format.trimmed());
}

QDateTime fromDosDateTime(quint32 dos)
{
    const int date = int(dos >> 16), time = int(dos & 0xffff);
    return QDateTime(QDate(1980 + (date >> 9), (date >> 5) & 15, date & 31),
                     QTime(time >> 11, (time >> 5) & 63, (time & 31) * 2));
}

} // namespace tolvex::text
