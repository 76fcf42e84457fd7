#include "platform/DateFormat.h"

#include <QLocale>
#include <QTimeZone>

namespace {

// Qt spells the AM/PM marker "AP" where Unicode patterns spell it "a".
QString qtPattern(const QString& unicodePattern)
{
    QString pattern;
    bool quoted = false;
    for (const QChar c : unicodePattern) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u'a')
            pattern += QStringLiteral("AP");
        else
            pattern += c;
    }
    return pattern;
}

} // namespace

QString DateFormat::stringFromDate(const QDateTime& date, const QString& pattern)
{
    return QLocale().toString(date.toLocalTime(), qtPattern(pattern));
}

QDateTime DateFormat::dateFromString(const QString& text, const QString& pattern)
{
    if (text.isEmpty())
        return QDateTime();
    QDateTime date = QLocale().toDateTime(text, qtPattern(pattern));
    // Without a readable zone (no /etc/localtime, an unknown TZ) the system
    // zone is invalid and would make every date invalid; local time is then
    // what the text was written in.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    if (date.isValid() && zone.isValid())
        date.setTimeZone(zone);
    return date;
}
