#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>
#include <sys/stat.h>

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int width)
{
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

// A binary list of `count` arrays, object 0 at the top, each holding the
// references refsOf(index) gives, and then the `last` object's bytes, if any.
// Written by hand because libplist's own writer recurses and cannot produce
// the deep lists these tests need.
QByteArray binaryArrays(
    quint32 count, const std::function<std::vector<quint32>(quint32)>& refsOf, const QByteArray& last = {})
{
    QByteArray out("bplist00");
    QByteArray offsets;
    for (quint32 i = 0; i < count; ++i) {
        appendBigEndian(offsets, quint64(out.size()), 4);
        const std::vector<quint32> refs = refsOf(i);
        out.append(char(0xA0 | refs.size()));
        for (const quint32 ref : refs)
            appendBigEndian(out, ref, 4);
    }
    if (!last.isEmpty()) {
        appendBigEndian(offsets, quint64(out.size()), 4);
        out += last;
    }
    const auto table = quint64(out.size());
    out += offsets + QByteArray(6, '\0') + "\x04\x04"; // offset and reference sizes
    for (const quint64 value : { quint64(count + (last.isEmpty() ? 0 : 1)), quint64(0), table })
        appendBigEndian(out, value, 8);
    return out;
}

// `levels` arrays, each holding the next one eight times, over the `last`
// object: a few bytes that the parser makes 8^levels copies of `last`.
QByteArray sharedBinary(quint32 levels, const QByteArray& last)
{
    return binaryArrays(
        levels, [](quint32 i) { return std::vector<quint32>(8, i + 1); }, last);
}

QByteArray binaryText(quint32 length)
{
    QByteArray marker("\x5F\x12"); // ASCII text, its length in the next four bytes
    appendBigEndian(marker, length, 4);
    return marker + QByteArray(qsizetype(length), 'a');
}

QByteArray nestedBinary(quint32 depth)
{
    return binaryArrays(
        depth, [depth](quint32 i) { return std::vector<quint32>(i + 1 < depth ? 1 : 0, i + 1); });
}

QByteArray nestedXml(int depth, const QByteArray& before = {})
{
    return "<plist version=\"1.0\">" + before + QByteArray("<array>").repeated(depth)
        + QByteArray("</array>").repeated(depth) + "</plist>";
}

QByteArray corpusFile(const char* name)
{
    return Sandbox::contents(
        QStringLiteral(VELMORA_SOURCE_RESOURCES "/../fuzz/corpus/property_list/") + QLatin1String(name));
}

TEST(PropertyList, WriteReadsBackEqualOrRefusesReplacesAtomicallyAndTruncationNeverReadsAsPartial)
{
    const QVariantMap sample = { { "Cookies", QVariantList { "/home/u/.mozilla/cookies.sqlite" } },
        { "System Cache", QVariantList { "/var/cache/a <&> \"b\" 'c'", "/tmp/März\tx\ny 😀" } },
        { "key with & and <", QVariantMap { { "Browser Bundle Identifier", "org.mozilla.firefox" } } },
        { "count", qint64(-3) }, { "big", qint64(1) << 40 }, { "flag", true }, { "ratio", 0.25 },
        { "empty", QVariantList {} } };
    Sandbox sandbox;
    const QString file = sandbox.makeFile("out/ScanResults.plist", "old contents");
    ASSERT_TRUE(PropertyList::writeXml(sample, file));
    EXPECT_EQ(PropertyList::readDictionary(file), sample);
    EXPECT_EQ(
        QDir(sandbox.path("out")).entryList(QDir::Files | QDir::Hidden), QStringList { "ScanResults.plist" });
    EXPECT_TRUE(sandbox.logLines().isEmpty());

    const QByteArray xml = *PropertyList::toXml(sample);
    // The scan's own writer gives libplist's bytes for its dictionary of string arrays.
    const QMap<QString, QStringList> arrays = { { "Cookies", { "/home/u/.mozilla/cookies.sqlite" } },
        { "System Cache", { "/var/cache/a <&> \"b\" 'c'", "/tmp/März\tx\ny 😀", "" } },
        { "key with & and <", {} } };
    QVariantMap asVariants;
    for (auto it = arrays.cbegin(); it != arrays.cend(); ++it)
        asVariants.insert(it.key(), it.value());
    EXPECT_EQ(PropertyList::stringArraysToXml(arrays), PropertyList::toXml(asVariants));
    EXPECT_EQ(PropertyList::stringArraysToXml({}), PropertyList::toXml(QVariantMap {}));
    const QByteArray binary = corpusFile("dict.bin");
    const auto whole = PropertyList::fromData(binary);
    ASSERT_TRUE(whole);
    for (qsizetype cut = 0; cut < xml.lastIndexOf("</dict>"); ++cut)
        EXPECT_FALSE(PropertyList::fromData(xml.left(cut))) << "XML cut at " << cut;
    for (qsizetype cut = 0; cut < binary.size(); ++cut) {
        const auto read = PropertyList::fromData(binary.left(cut));
        EXPECT_TRUE(!read || *read == *whole) << "binary cut at " << cut;
    }

    // Text that would not read back is refused, and the old file kept.
    const QString bad[] = { "a\x01z", "carriage\rreturn", QString(QChar(u'\0')),
        QString(QChar(0xD83D)) + u'x', QString(QChar(0xDE00)), QString(QChar(0xFFFE)) };
    for (const QString& text : bad) {
        SCOPED_TRACE(text.toUtf8().toHex().toStdString());
        EXPECT_FALSE(PropertyList::isRepresentable(text));
        for (const QVariant& root : { QVariant(QVariantMap { { "k", QVariantList { "ok", text } } }),
                 QVariant(QVariantMap { { text, "v" } }) }) {
            sandbox.clearRecords();
            EXPECT_FALSE(PropertyList::writeXml(root, file));
            EXPECT_EQ(sandbox.logLines().size(), 1);
        }
        EXPECT_FALSE(PropertyList::stringArraysToXml({ { "k", { "ok", text } } }));
        EXPECT_FALSE(PropertyList::stringArraysToXml({ { text, {} } }));
    }
    EXPECT_EQ(Sandbox::contents(file), xml);
    EXPECT_TRUE(PropertyList::isRepresentable(u"tab\tline\nemoji 😀 ü"));
}

// Damaged, hostile and fuzzer-found inputs give nothing and one log line, never a crash or a hang.
TEST(PropertyList, UnreadableInputsGiveNothingAndALogLine)
{
    // Shallow lists from the same generators read, so the refusals are about depth.
    EXPECT_TRUE(PropertyList::fromData(nestedXml(PropertyList::kMaxDepth)));
    EXPECT_TRUE(PropertyList::fromData(nestedBinary(PropertyList::kMaxDepth)));
    EXPECT_TRUE(PropertyList::fromData(sharedBinary(6, binaryText(20)))); // 262,144 strings
    QByteArray nulInKey = corpusFile("dict.bin");
    nulInKey[nulInKey.indexOf("Internet Cache") + 3] = '\0';

    const int million = 1000000;
    const QByteArray inputs[] = {
        "garbage that is no list", "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>b</dict></plist>",
        "<plist><dict><key>a</key><string>&bogus;</string></dict></plist>",
        QByteArray("bplist00") + QByteArray(64, '\xff'), QByteArray("bplist00") + QByteArray(40, '\0'),
        QByteArray(1000, '\0'),
        // libplist aborts on a NUL inside a string or key.
        corpusFile("nul-in-string.xml"), "<plist><dict><key>a&#0;b</key><string>v</string></dict></plist>",
        "<plist><array><string>a&#x00;</string></array></plist>", nulInKey,
        // A reference size no writer makes, which libplist once misread.
        corpusFile("odd-reference-size.bin"), nestedXml(PropertyList::kMaxDepth + 1), nestedXml(million),
        // Closing tags hidden where the parser does not look must not cancel real ones out.
        nestedXml(million, "<!--" + QByteArray("</array>").repeated(million) + "-->"),
        nestedXml(million, "<!DOCTYPE plist [" + QByteArray("</dict>").repeated(million) + "]>"),
        nestedBinary(PropertyList::kMaxDepth + 1), nestedBinary(million),
        binaryArrays(1, [](quint32) { return std::vector<quint32> { 0 }; }), // holds itself
        binaryArrays(3, [](quint32 i) { return std::vector<quint32> { (i + 1) % 3 }; }), // a ring
    };
    // Small files that would grow past what the reader takes, refused before parsing.
    const QByteArray tooLarge[] = {
        corpusFile("shared-arrays.bin"), // 176 bytes, 8^10 strings
        sharedBinary(7, "\xA0"), // 8^7 empty arrays
        sharedBinary(3, binaryText(1 << 20)), // 512 MiB of text
        "<plist><array>" + QByteArray("<true/>").repeated(million) + "</array></plist>",
    };
    Sandbox sandbox;
    auto refused = [&](const QByteArray& input, const QString& line) {
        SCOPED_TRACE(input.left(40).toStdString());
        ASSERT_FALSE(input.isEmpty());
        sandbox.clearRecords();
        const QString file = sandbox.makeFile("bad.plist", input);
        EXPECT_FALSE(PropertyList::read(file));
        EXPECT_EQ(sandbox.logLines(), QStringList { file + line });
    };
    for (const QByteArray& input : inputs)
        refused(input, " is not a readable property list");
    for (const QByteArray& input : tooLarge)
        refused(input, " would hold more than 1000000 values or 256 MiB of text; it is not read");
    // A pipe would block the reader for ever; a folder cannot be read; a list may hold no dictionary.
    const QString pipe = sandbox.path("pipe.plist");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString array = sandbox.path("array.plist");
    ASSERT_TRUE(PropertyList::writeXml(QVariantList { "a" }, array));
    for (const QString& path : { pipe, sandbox.makeFolder("folder.plist"), array }) {
        sandbox.clearRecords();
        EXPECT_TRUE(PropertyList::readDictionary(path).isEmpty());
        EXPECT_EQ(sandbox.logLines().size(), 1);
    }
    EXPECT_EQ(sandbox.logLines(), QStringList { array + " does not hold a dictionary" });
    sandbox.clearRecords();
    EXPECT_TRUE(PropertyList::readDictionary(sandbox.path("absent.plist")).isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

} // namespace
