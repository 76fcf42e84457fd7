#pragma once

#include <QDateTime>
#include <QString>

// Date texts in the user's locale and time zone, written and read back with
// Unicode date patterns ("MMM d, yyyy h:mm:ss a"). The locale is QLocale():
// the system's unless QLocale::setDefault chose another.
class DateFormat final {
public:
    static constexpr const char* kFullPattern = "MMM d, yyyy h:mm:ss a";
    static constexpr const char* kDatePattern = "MMM d, yyyy";

    static QString stringFromDate(const QDateTime& date, const QString& pattern);
    // An invalid QDateTime when the text does not match the pattern in the current locale.
    static QDateTime dateFromString(const QString& text, const QString& pattern);
};
