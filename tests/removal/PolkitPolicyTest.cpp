#include "platform/Localization.h"
#include "removal/FixPageController.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

namespace {

TEST(PolkitPolicyTest, TheDialogSaysWhatTheProgramSaysAndRunsOnlyTheInstalledHelper)
{
    QFile policy(QStringLiteral(VELMORA_BUILT_POLICY));
    ASSERT_TRUE(policy.open(QIODevice::ReadOnly)) << qPrintable(policy.fileName());
    // The text of every element that holds text, keyed by its name or by the key of an
    // annotation, with ":<language>" after a translation's.
    QHash<QString, QString> action;
    QXmlStreamReader xml(&policy);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement
            || QStringList { "policyconfig", "action", "defaults" }.contains(xml.name()))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString key
            = attributes.hasAttribute("key") ? attributes.value("key").toString() : xml.name().toString();
        if (attributes.hasAttribute("xml:lang"))
            key += ":" + attributes.value("xml:lang").toString();
        action.insert(key, xml.readElementText());
    }
    ASSERT_FALSE(xml.hasError()) << qPrintable(xml.errorString());

    // polkit shows the policy's own text in the desktop's language, never the program's table.
    for (const QString& language : { QString(), QStringLiteral("de") }) {
        SCOPED_TRACE(qPrintable(language));
        Localization::setLanguage(language);
        const QString suffix = language.isEmpty() ? QString() : u':' + language;
        EXPECT_EQ(action.value("message" + suffix), FixPageController::passwordDialogMessage());
        EXPECT_EQ(action.value("description" + suffix), FixPageController::rightName());
    }
    Localization::setLanguage(QString());
    EXPECT_EQ(action.value("org.freedesktop.policykit.exec.path"), QStringLiteral(VELMORA_INSTALLED_HELPER));
    for (const char* kind : { "allow_any", "allow_inactive", "allow_active" })
        EXPECT_EQ(action.value(QString::fromLatin1(kind)), QStringLiteral("auth_admin")) << kind;
}

} // namespace
