#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QFile>

// Inputs the fuzzers found that once brought the program down.
namespace {

QByteArray corpusFile(const char* name)
{
    QFile file(QStringLiteral(VELMORA_SOURCE_RESOURCES "/../fuzz/corpus/property_list/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PropertyListFuzzRegression, StringsWithNulAreRefusedNotAsserted)
{
    // libplist aborts on a NUL inside a string or key; such lists must be refused first.
    const QByteArray found = corpusFile("nul-in-string.xml");
    ASSERT_FALSE(found.isEmpty());
    EXPECT_FALSE(PropertyList::fromData(found).has_value());

    const QByteArray reference = "<plist><dict><key>a&#0;b</key><string>v</string></dict></plist>";
    EXPECT_FALSE(PropertyList::fromData(reference).has_value());
    const QByteArray hexReference = "<plist><array><string>a&#x00;</string></array></plist>";
    EXPECT_FALSE(PropertyList::fromData(hexReference).has_value());
}

TEST(PropertyListFuzzRegression, BinaryStringWithNulIsRefused)
{
    QByteArray binary = corpusFile("dict.bin");
    ASSERT_FALSE(binary.isEmpty());
    ASSERT_TRUE(PropertyList::fromData(binary).has_value());
    // Turn the first letter of a key into NUL: same length, still a well-formed binary list.
    const qsizetype at = binary.indexOf("Internet Cache");
    ASSERT_GT(at, 0);
    binary[at + 3] = '\0';
    EXPECT_FALSE(PropertyList::fromData(binary).has_value());
}

TEST(PropertyListFuzzRegression, BinaryListsNoWriterMakesAreRefused)
{
    // A reference size of 33 bytes: libplist parsed it and aborted on a string it then misread.
    const QByteArray found = corpusFile("odd-reference-size.bin");
    ASSERT_FALSE(found.isEmpty());
    EXPECT_FALSE(PropertyList::fromData(found).has_value());
    EXPECT_FALSE(PropertyList::fromData(QByteArray("bplist00") + QByteArray(20, '\0')).has_value());
}

} // namespace
