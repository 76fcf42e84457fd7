#include "scan/ScanResultsFile.h"
#include "platform/PropertyList.h"
#include "scan/ScanTestSupport.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(ScanResultsFile, APathTheFormatCannotCarryNeverCostsTheOthers)
{
    Sandbox sandbox;
    const QString path = sandbox.locations().resultsFile();
    QDir().mkpath(sandbox.locations().resultsFolder);
    ScanResultsFile file(path, PropertyList::kMaxFileSize);
    file.load();
    file.setPaths("Cookies", { "/ok", QStringLiteral("/folder/bad\x0bname"), QString(QChar(0xD800)) });
    ASSERT_TRUE(file.write());
    EXPECT_EQ(readResults(path).value("Cookies"), QStringList { "/ok" });
    EXPECT_TRUE(
        sandbox.logged("Passing over an item in /folder: its name cannot be kept in the scan results"));
}
