#include "platform/PropertyList.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <map>
#include <optional>

namespace {

const QString kGermanTable = QStringLiteral(VELMORA_SOURCE_RESOURCES "/localization/de.plist");
const QString kSourceTree = QStringLiteral(VELMORA_SOURCE_RESOURCES "/../src");

// A web address is the same in every language and is left to the English default.
const QStringList kUntranslated { QStringLiteral("QUARROW_URL") };

// "%@" and "%d" in order; "%%" is a literal percent sign, anything else after
// '%' is kept as "%?" so that a stray "%s" or "%1" shows up as a difference.
QStringList placeholders(const QString& text)
{
    QStringList found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (next == u'%') {
            ++i;
            continue;
        }
        found.append(next == u'@' || next == u'd' ? QStringLiteral("%") + next : QStringLiteral("%?"));
        ++i;
    }
    return found;
}

// The text of adjacent C++ string literals ("a " "b"), escapes resolved far
// enough for placeholders to be found.
QString literalText(const QString& literals)
{
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QString text;
    for (const auto& match : literal.globalMatch(literals)) {
        QString part = match.captured(1);
        part.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        part.replace(QStringLiteral("\\\""), QStringLiteral("\""));
        part.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        text += part;
    }
    return text;
}

// Every key the program looks up, with its English default where the call
// spells it out. Calls go through Localization::text or a file's own
// text(key, default) shorthand, with or without QStringLiteral, and their
// defaults may be split over several lines.
std::map<QString, std::optional<QString>> keysUsedInCode()
{
    static const QRegularExpression call(QStringLiteral(
        R"re((?:Localization::|(?<![\w.>:]))text\(\s*(?:QStringLiteral\(\s*)?"([A-Z][A-Z0-9_]*)"\s*\)?\s*,\s*)re"
        R"re((?:QStringLiteral\(\s*)?((?:"(?:[^"\\]|\\.)*"\s*)+)?)re"));
    std::map<QString, std::optional<QString>> keys;
    QDirIterator files(kSourceTree, { QStringLiteral("*.cpp"), QStringLiteral("*.h") }, QDir::Files,
        QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString source = QString::fromUtf8(file.readAll());
        for (const auto& match : call.globalMatch(source)) {
            auto& entry = keys[match.captured(1)];
            if (match.hasCaptured(2))
                entry = literalText(match.captured(2));
        }
    }
    return keys;
}

QVariantMap germanTable()
{
    const auto root = PropertyList::read(kGermanTable);
    return root && root->typeId() == QMetaType::QVariantMap ? root->toMap() : QVariantMap();
}

TEST(LocalizationTable, EveryEntryIsTextWithKnownPlaceholdersOnly)
{
    const QVariantMap table = germanTable();
    ASSERT_FALSE(table.isEmpty()) << "de.plist is missing or does not hold a dictionary";
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        ASSERT_EQ(it.value().typeId(), QMetaType::QString);
        EXPECT_FALSE(it.value().toString().trimmed().isEmpty());
        EXPECT_FALSE(placeholders(it.value().toString()).contains(QStringLiteral("%?")));
    }
    for (const QString& key : kUntranslated)
        EXPECT_FALSE(table.contains(key)) << key.toStdString();
}

TEST(LocalizationTable, EveryKeyInCodeIsTranslatedWithTheDefaultsPlaceholdersInOrder)
{
    const QVariantMap table = germanTable();
    const auto keys = keysUsedInCode();
    // A scan that silently stopped matching would make this test pass on nothing.
    ASSERT_GE(keys.size(), 40u);
    int formats = 0;
    for (const auto& [key, englishDefault] : keys) {
        SCOPED_TRACE(key.toStdString());
        if (kUntranslated.contains(key))
            continue;
        if (!table.contains(key)) {
            ADD_FAILURE() << "no German text for " << key.toStdString();
            continue;
        }
        if (!englishDefault)
            continue;
        const QStringList expected = placeholders(*englishDefault);
        formats += expected.isEmpty() ? 0 : 1;
        EXPECT_EQ(placeholders(table.value(key).toString()), expected);
    }
    EXPECT_GE(formats, 10);
}

} // namespace
