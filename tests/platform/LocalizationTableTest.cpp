#include "platform/PropertyList.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <map>
#include <optional>

namespace {

// "%@" and "%d" in order; "%%" is a literal percent sign, anything else after
// '%' is kept as "%?" so that a stray "%s" or "%1" shows up as a difference.
QStringList placeholders(const QString& text)
{
    QStringList found;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        const QChar next = text[++i];
        if (next != u'%')
            found.append(next == u'@' || next == u'd' ? QStringLiteral("%") + next : QStringLiteral("%?"));
    }
    return found;
}

// Every key the program looks up, with its English default where the call spells it out
// (adjacent literals joined, as a default may be split over several lines).
std::map<QString, std::optional<QString>> keysUsedInCode()
{
    static const QRegularExpression call(QStringLiteral(
        R"re((?:Localization::|(?<![\w.>:]))text\(\s*(?:QStringLiteral\(\s*)?"([A-Z][A-Z0-9_]*)"\s*\)?\s*,\s*)re"
        R"re((?:QStringLiteral\(\s*)?((?:"(?:[^"\\]|\\.)*"\s*)+)?)re"));
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    std::map<QString, std::optional<QString>> keys;
    QDirIterator files(QStringLiteral(VELMORA_SOURCE_RESOURCES "/../src"),
        { QStringLiteral("*.cpp"), QStringLiteral("*.h") }, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const auto& match : call.globalMatch(QString::fromUtf8(file.readAll()))) {
            auto& entry = keys[match.captured(1)];
            if (!match.hasCaptured(2))
                continue;
            entry = QString();
            for (const auto& part : literal.globalMatch(match.captured(2)))
                *entry += part.captured(1);
        }
    }
    return keys;
}

TEST(LocalizationTable, EveryKeyInCodeHasGermanTextWithTheDefaultsPlaceholdersInOrder)
{
    const auto root = PropertyList::read(QStringLiteral(VELMORA_SOURCE_RESOURCES "/localization/de.plist"));
    const QVariantMap table = root ? root->toMap() : QVariantMap();
    ASSERT_FALSE(table.isEmpty());
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        ASSERT_EQ(it.value().typeId(), QMetaType::QString) << it.key().toStdString();
        EXPECT_FALSE(it.value().toString().trimmed().isEmpty()) << it.key().toStdString();
    }
    const auto keys = keysUsedInCode();
    // A scan that silently stopped matching would make this test pass on nothing.
    ASSERT_GE(keys.size(), 40u);
    int formats = 0;
    for (const auto& [key, englishDefault] : keys) {
        // A web address is the same in every language.
        if (key == QStringLiteral("QUARROW_URL"))
            continue;
        SCOPED_TRACE(key.toStdString());
        EXPECT_TRUE(table.contains(key)) << "no German text";
        const QStringList expected = englishDefault ? placeholders(*englishDefault) : QStringList();
        formats += expected.isEmpty() ? 0 : 1;
        if (englishDefault && table.contains(key)) {
            EXPECT_EQ(placeholders(table.value(key).toString()), expected);
        }
    }
    EXPECT_GE(formats, 10);
}

} // namespace
