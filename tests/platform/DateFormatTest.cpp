#include "platform/DateFormat.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

const QString kFull = QString::fromLatin1(DateFormat::kFullPattern);
const QString kDate = QString::fromLatin1(DateFormat::kDatePattern);

class DateFormatTest : public ::testing::Test {
protected:
    ~DateFormatTest() override { QLocale::setDefault(m_previous); }

    // Whole seconds in local time, as the stored texts keep them. Times of day
    // away from the small hours, where a change to or from summer time could
    // make a local time ambiguous or missing.
    static QList<QDateTime> samples()
    {
        QList<QDateTime> dates;
        for (int month = 1; month <= 12; ++month) {
            for (const QTime time :
                { QTime(0, 0, 0), QTime(12, 0, 0), QTime(13, 2, 3), QTime(9, 5, 7), QTime(23, 59, 59) })
                dates.append(QDateTime(QDate(2024, month, month == 2 ? 29 : 1 + month * 2), time));
        }
        return dates;
    }

private:
    QLocale m_previous;
};

TEST_F(DateFormatTest, FullPatternWritesTheExpectedTextAndReadsItBack)
{
    const QDateTime sample(QDate(2024, 3, 5), QTime(13, 2, 3));
    const struct {
        QLocale::Language language;
        QLocale::Territory territory;
        const char* expected;
    } locales[] = {
        { QLocale::English, QLocale::UnitedStates, "Mar 5, 2024 1:02:03 PM" },
        { QLocale::German, QLocale::Germany, "M\u00e4rz 5, 2024 1:02:03 PM" },
    };
    for (const auto& locale : locales) {
        QLocale::setDefault(QLocale(locale.language, locale.territory));
        SCOPED_TRACE(QLocale().name().toStdString());
        EXPECT_EQ(DateFormat::stringFromDate(sample, kFull), QString::fromUtf8(locale.expected));
        for (const QDateTime& date : samples()) {
            const QString text = DateFormat::stringFromDate(date, kFull);
            const QDateTime back = DateFormat::dateFromString(text, kFull);
            ASSERT_TRUE(back.isValid()) << text.toStdString();
            EXPECT_EQ(back.toMSecsSinceEpoch(), date.toMSecsSinceEpoch()) << text.toStdString();
            EXPECT_EQ(DateFormat::dateFromString(DateFormat::stringFromDate(date, kDate), kDate).date(),
                date.date());
        }
    }
}

// A stored time from before a change of language must read as unreadable,
// never as some other date.
TEST_F(DateFormatTest, TextWrittenInOneLanguageDoesNotParseInTheOther)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const auto& [writer, reader] : { std::pair { english, german }, std::pair { german, english } }) {
        for (const QDateTime& date : samples()) {
            QLocale::setDefault(writer);
            const QString text = DateFormat::stringFromDate(date, kFull);
            QLocale::setDefault(reader);
            EXPECT_FALSE(DateFormat::dateFromString(text, kFull).isValid())
                << text.toStdString() << " read as " << reader.name().toStdString();
        }
    }
}

TEST_F(DateFormatTest, TextsThatAreNoDateReadAsInvalid)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char* text : { "", " ", "not a date", "Mar 5, 2024", "Mar 32, 2024 1:02:03 PM",
             "Mar 5, 2024 13:02:03 PM", "Mar 5, 2024 1:02:03", "5 Mar 2024 1:02:03 PM" })
        EXPECT_FALSE(DateFormat::dateFromString(QString::fromLatin1(text), kFull).isValid()) << text;
}

} // namespace
