#include "platform/DateFormat.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

const QString kFull = QString::fromLatin1(DateFormat::kFullPattern);

// Written in one language, a stored time reads back exactly in that language and,
// after a change of language, as unreadable rather than as some other date.
TEST(DateFormat, StoredTimesReadBackInTheirLanguageOnly)
{
    const QLocale previous;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const struct {
        QLocale writer;
        QLocale other;
        const char* sample; // 2024-03-05 13:02:03
    } rows[] = { { english, german, "Mar 5, 2024 1:02:03 PM" },
        { german, english, "M\u00e4rz 5, 2024 1:02:03 PM" } };
    for (const auto& row : rows) {
        QLocale::setDefault(row.writer);
        EXPECT_EQ(DateFormat::stringFromDate(QDateTime(QDate(2024, 3, 5), QTime(13, 2, 3)), kFull),
            QString::fromUtf8(row.sample));
        // Times of day away from the small hours, where summer time makes local times ambiguous.
        for (int month = 1; month <= 12; ++month) {
            for (const QTime time : { QTime(0, 0, 0), QTime(12, 0, 0), QTime(9, 5, 7), QTime(23, 59, 59) }) {
                const QDateTime date(QDate(2024, month, month == 2 ? 29 : 1 + month * 2), time);
                QLocale::setDefault(row.writer);
                const QString text = DateFormat::stringFromDate(date, kFull);
                EXPECT_EQ(DateFormat::dateFromString(text, kFull), date) << text.toStdString();
                QLocale::setDefault(row.other);
                EXPECT_FALSE(DateFormat::dateFromString(text, kFull).isValid()) << text.toStdString();
            }
        }
    }
    QLocale::setDefault(english);
    for (const char* text : { "", " ", "not a date", "Mar 5, 2024", "Mar 32, 2024 1:02:03 PM",
             "Mar 5, 2024 13:02:03 PM", "Mar 5, 2024 1:02:03", "5 Mar 2024 1:02:03 PM" })
        EXPECT_FALSE(DateFormat::dateFromString(QString::fromLatin1(text), kFull).isValid()) << text;
    QLocale::setDefault(previous);
}

} // namespace
