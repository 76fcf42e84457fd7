#include "platform/PropertyList.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <plist/plist.h>

#include <functional>
#include <sys/stat.h>

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int width)
{
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

// A binary list of `count` arrays, object 0 at the top, each holding the
// references refsOf(index) gives. Written by hand because libplist's own
// writer recurses and cannot produce the deep lists these tests need.
QByteArray binaryArrays(quint32 count, const std::function<std::vector<quint32>(quint32)>& refsOf)
{
    QByteArray out("bplist00");
    std::vector<quint32> offsets;
    offsets.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        offsets.push_back(quint32(out.size()));
        const std::vector<quint32> refs = refsOf(i);
        out.append(char(0xA0 | refs.size()));
        for (const quint32 ref : refs)
            appendBigEndian(out, ref, 4);
    }
    const auto table = quint64(out.size());
    for (const quint32 offset : offsets)
        appendBigEndian(out, offset, 4);
    out.append(QByteArray(6, '\0'));
    out.append(char(4)); // offset size
    out.append(char(4)); // reference size
    appendBigEndian(out, count, 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, table, 8);
    return out;
}

QByteArray nestedBinaryArrays(quint32 depth)
{
    return binaryArrays(depth, [depth](quint32 i) {
        return i + 1 < depth ? std::vector<quint32> { i + 1 } : std::vector<quint32> {};
    });
}

QByteArray nestedXmlArrays(int depth, const QByteArray& before = {})
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + before + QByteArray("<array>").repeated(depth)
        + QByteArray("</array>").repeated(depth) + "</plist>";
}

int depthOf(const QVariant& value)
{
    int depth = 0;
    QVariant current = value;
    while (current.typeId() == QMetaType::QVariantList) {
        ++depth;
        const QVariantList list = current.toList();
        current = list.isEmpty() ? QVariant() : list.first();
    }
    return depth;
}

QVariantMap sampleResults()
{
    QVariantMap nested;
    nested.insert(QStringLiteral("Browser Bundle Identifier"), QStringLiteral("org.mozilla.firefox"));
    QVariantMap map;
    map.insert(QStringLiteral("Cookies"), QVariantList { QStringLiteral("/home/u/.mozilla/cookies.sqlite") });
    map.insert(QStringLiteral("System Cache"),
        QVariantList { QStringLiteral("/var/cache/a <&> \"b\" 'c'"), QStringLiteral("/tmp/März\tx\ny 😀") });
    map.insert(QStringLiteral("key with & and <"), nested);
    map.insert(QStringLiteral("count"), qint64(-3));
    map.insert(QStringLiteral("big"), qint64(1) << 40);
    map.insert(QStringLiteral("flag"), true);
    map.insert(QStringLiteral("ratio"), 0.25);
    map.insert(QStringLiteral("empty"), QVariantList {});
    return map;
}

QByteArray toBinary(plist_t root)
{
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    return result;
}

TEST(PropertyList, XmlWriteReadsBackEqualAndReplacesAtomically)
{
    Sandbox sandbox;
    const QString file = sandbox.makeFile(QStringLiteral("out/ScanResults.plist"), "old contents");
    ASSERT_TRUE(PropertyList::writeXml(sampleResults(), file));

    EXPECT_EQ(PropertyList::readDictionary(file), sampleResults());
    // Nothing of the temporary file is left beside the result.
    EXPECT_EQ(QDir(sandbox.path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("ScanResults.plist") });
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST(PropertyList, ReadsBinaryLists)
{
    plist_t root = plist_new_dict();
    plist_t paths = plist_new_array();
    plist_array_append_item(paths, plist_new_string("/home/u/Library/Caches/a"));
    plist_array_append_item(paths, plist_new_string("/tmp/März"));
    plist_dict_set_item(root, "Internet Cache", paths);
    plist_dict_set_item(root, "ERRORS_FOUND", plist_new_uint(12));
    plist_dict_set_item(root, "ISFIRSTRUN", plist_new_bool(1));
    const QByteArray binary = toBinary(root);
    plist_free(root);

    Sandbox sandbox;
    const QVariantMap map = PropertyList::readDictionary(sandbox.makeFile(QStringLiteral("b.plist"), binary));
    EXPECT_EQ(map.value(QStringLiteral("Internet Cache")),
        QVariant(QVariantList { QStringLiteral("/home/u/Library/Caches/a"), QStringLiteral("/tmp/März") }));
    EXPECT_EQ(map.value(QStringLiteral("ERRORS_FOUND")), QVariant(qint64(12)));
    EXPECT_EQ(map.value(QStringLiteral("ISFIRSTRUN")), QVariant(true));
}

TEST(PropertyList, WriteRefusesTextThatWouldNotReadBack)
{
    const QString bad[] = {
        QStringLiteral("a\x01z"),
        QStringLiteral("carriage\rreturn"),
        QString(QChar(u'\0')),
        QString(QChar(0xD83D)) + u'x', // high surrogate without its partner
        QString(QChar(0xDE00)),         // low surrogate alone
        QString(QChar(0xFFFE)),
    };
    Sandbox sandbox;
    const QString file = sandbox.makeFile(QStringLiteral("keep.plist"), "previous");
    for (const QString& text : bad) {
        SCOPED_TRACE(text.toUtf8().toHex().toStdString());
        EXPECT_FALSE(PropertyList::isRepresentable(text));
        const QVariant asValue = QVariantMap { { QStringLiteral("k"), QVariantList { QStringLiteral("ok"), text } } };
        const QVariant asKey = QVariantMap { { text, QStringLiteral("v") } };
        for (const QVariant& root : { asValue, asKey }) {
            sandbox.clearRecords();
            EXPECT_FALSE(PropertyList::writeXml(root, file));
            EXPECT_EQ(sandbox.logLines().size(), 1);
        }
    }
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("previous"));
    EXPECT_TRUE(PropertyList::isRepresentable(QStringLiteral("tab\tline\nemoji 😀 ü")));
}

TEST(PropertyList, MalformedFilesGiveNothingAndALogLine)
{
    const QByteArray inputs[] = {
        QByteArray("garbage that is no list"),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key><string>b</dict></plist>"),
        QByteArray("<plist><dict><key>a</key><string>&bogus;</string></dict></plist>"),
        QByteArray("bplist00") + QByteArray(64, '\xff'),
        QByteArray("bplist00") + QByteArray(40, '\0'),
        QByteArray(1000, '\0'),
    };
    Sandbox sandbox;
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(input.left(40).toStdString());
        sandbox.clearRecords();
        const QString file = sandbox.makeFile(QStringLiteral("bad.plist"), input);
        EXPECT_TRUE(PropertyList::readDictionary(file).isEmpty());
        ASSERT_EQ(sandbox.logLines().size(), 1);
        EXPECT_TRUE(sandbox.logLines().first().contains(file));
    }
    sandbox.clearRecords();
    EXPECT_TRUE(PropertyList::readDictionary(sandbox.path(QStringLiteral("absent.plist"))).isEmpty());
    EXPECT_TRUE(sandbox.logLines().isEmpty());
}

TEST(PropertyList, TruncatedFilesAreNeverReadAsPartialDictionaries)
{
    const QByteArray xml = *PropertyList::toXml(sampleResults());
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &root);
    ASSERT_NE(root, nullptr);
    const QByteArray binary = toBinary(root);
    plist_free(root);
    ASSERT_EQ(PropertyList::fromData(binary), QVariant(sampleResults()));

    const qsizetype xmlRootEnd = xml.lastIndexOf("</dict>");
    for (qsizetype length = 0; length < xmlRootEnd; ++length)
        EXPECT_FALSE(PropertyList::fromData(xml.left(length))) << "XML cut at " << length;
    for (qsizetype length = 0; length < binary.size(); ++length) {
        const auto read = PropertyList::fromData(binary.left(length));
        EXPECT_TRUE(!read || *read == QVariant(sampleResults())) << "binary cut at " << length;
    }
}

TEST(PropertyList, RootThatIsNoDictionary)
{
    Sandbox sandbox;
    const QString file = sandbox.path(QStringLiteral("array.plist"));
    ASSERT_TRUE(PropertyList::writeXml(QVariantList { QStringLiteral("a") }, file));
    EXPECT_EQ(PropertyList::read(file), QVariant(QVariantList { QStringLiteral("a") }));
    EXPECT_TRUE(PropertyList::readDictionary(file).isEmpty());
    EXPECT_EQ(sandbox.logLines(), QStringList { file + QStringLiteral(" does not hold a dictionary") });
}

TEST(PropertyList, ArrayMembersKeepTheirTypesAndStringMembersFiltersThem)
{
    const QByteArray xml = "<plist version=\"1.0\"><dict><key>Cookies</key><array>"
                           "<string>/a</string><integer>7</integer><dict><key>x</key><string>/b</string></dict>"
                           "<true/><array><string>/c</string></array><data>AAE=</data><string>/d</string>"
                           "</array><key>Other</key><string>/e</string></dict></plist>";
    const auto root = PropertyList::fromData(xml);
    ASSERT_TRUE(root);
    const QVariant cookies = root->toMap().value(QStringLiteral("Cookies"));
    const QVariantList members = cookies.toList();
    ASSERT_EQ(members.size(), 7);
    EXPECT_EQ(members[1], QVariant(qint64(7)));
    EXPECT_EQ(members[2].typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(members[5], QVariant(QByteArray("\x00\x01", 2)));
    EXPECT_EQ(PropertyList::stringMembers(cookies), (QStringList { QStringLiteral("/a"), QStringLiteral("/d") }));
    EXPECT_TRUE(PropertyList::stringMembers(root->toMap().value(QStringLiteral("Other"))).isEmpty());
}

TEST(PropertyList, DeepNestingIsRefusedWithoutCrashing)
{
    // Shallow lists from the same generators read, so the refusals below are
    // about depth and not about a broken generator.
    EXPECT_EQ(depthOf(*PropertyList::fromData(nestedXmlArrays(100))), 100);
    EXPECT_EQ(depthOf(*PropertyList::fromData(nestedBinaryArrays(100))), 100);
    EXPECT_TRUE(PropertyList::fromData(nestedXmlArrays(PropertyList::kMaxDepth)));
    EXPECT_TRUE(PropertyList::fromData(nestedBinaryArrays(PropertyList::kMaxDepth)));

    const int million = 1000000;
    const QByteArray hostile[] = {
        nestedXmlArrays(PropertyList::kMaxDepth + 1),
        nestedXmlArrays(million),
        // Closing tags hidden where the parser does not look must not cancel real ones out.
        nestedXmlArrays(million, "<!--" + QByteArray("</array>").repeated(million) + "-->"),
        nestedXmlArrays(million, "<!DOCTYPE plist [" + QByteArray("</dict>").repeated(million) + "]>"),
        nestedBinaryArrays(PropertyList::kMaxDepth + 1),
        nestedBinaryArrays(million),
        binaryArrays(1, [](quint32) { return std::vector<quint32> { 0 }; }),       // holds itself
        binaryArrays(3, [](quint32 i) { return std::vector<quint32> { (i + 1) % 3 }; }), // a ring
    };
    Sandbox sandbox;
    for (const QByteArray& data : hostile) {
        sandbox.clearRecords();
        const QString file = sandbox.makeFile(QStringLiteral("deep.plist"), data);
        EXPECT_FALSE(PropertyList::read(file));
        EXPECT_EQ(sandbox.logLines(), QStringList { file + QStringLiteral(" is not a readable property list") });
    }
}

TEST(PropertyList, SomethingOtherThanAFileIsNotOpened)
{
    Sandbox sandbox;
    // A pipe would block the reader for ever; a folder cannot be read.
    const QString pipe = sandbox.path(QStringLiteral("pipe.plist"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString folder = sandbox.makeFolder(QStringLiteral("folder.plist"));
    for (const QString& path : { pipe, folder }) {
        sandbox.clearRecords();
        EXPECT_TRUE(PropertyList::readDictionary(path).isEmpty());
        EXPECT_EQ(sandbox.logLines().size(), 1);
    }
}

} // namespace
