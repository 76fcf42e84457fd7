#include "platform/Localization.h"
#include "removal/FixPageController.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

namespace {

// The untranslated texts and settings of the removal action in the policy file.
QHash<QString, QString> removalAction(QXmlStreamReader& xml)
{
    QHash<QString, QString> found;
    bool inAction = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"action")
            inAction = false;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"action") {
            inAction = xml.attributes().value(QLatin1String("id"))
                == u"org.example.Velmora.remove-privileged-files";
            continue;
        }
        if (!inAction || xml.name() == u"defaults"
            || xml.attributes().hasAttribute(QLatin1String("xml:lang")))
            continue;
        const QString key = xml.name() == u"annotate"
            ? xml.attributes().value(QLatin1String("key")).toString()
            : xml.name().toString();
        found.insert(key, xml.readElementText());
    }
    return found;
}

TEST(PolkitPolicyTest, TheDialogSaysWhatTheProgramSaysAndRunsOnlyTheInstalledHelper)
{
    QFile policy(QStringLiteral(VELMORA_BUILT_POLICY));
    ASSERT_TRUE(policy.open(QIODevice::ReadOnly)) << qPrintable(policy.fileName());
    QXmlStreamReader xml(&policy);
    const QHash<QString, QString> action = removalAction(xml);
    ASSERT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    Localization::setLanguage(QString());

    EXPECT_EQ(action.value(QStringLiteral("message")), FixPageController::passwordDialogMessage());
    EXPECT_EQ(action.value(QStringLiteral("description")), FixPageController::rightName());
    EXPECT_EQ(action.value(QStringLiteral("org.freedesktop.policykit.exec.path")),
        QStringLiteral(VELMORA_INSTALLED_HELPER));
    for (const char* kind : { "allow_any", "allow_inactive", "allow_active" })
        EXPECT_EQ(action.value(QString::fromLatin1(kind)), QStringLiteral("auth_admin")) << kind;
}

} // namespace
