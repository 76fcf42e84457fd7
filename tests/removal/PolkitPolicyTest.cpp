#include "platform/Localization.h"
#include "removal/FixPageController.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

namespace {

// The texts and settings of the removal action in the policy file; a text in
// another language is keyed "<element>:<language>".
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
        if (!inAction || xml.name() == u"defaults")
            continue;
        QString key = xml.name() == u"annotate" ? xml.attributes().value(QLatin1String("key")).toString()
                                                : xml.name().toString();
        if (xml.attributes().hasAttribute(QLatin1String("xml:lang")))
            key += u':' + xml.attributes().value(QLatin1String("xml:lang")).toString();
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

    // polkit shows the policy's own text in the desktop's language, never the program's table.
    for (const QString& language : { QString(), QStringLiteral("de") }) {
        SCOPED_TRACE(qPrintable(language));
        Localization::setLanguage(language);
        const QString suffix = language.isEmpty() ? QString() : u':' + language;
        EXPECT_EQ(
            action.value(QStringLiteral("message") + suffix), FixPageController::passwordDialogMessage());
        EXPECT_EQ(action.value(QStringLiteral("description") + suffix), FixPageController::rightName());
    }
    Localization::setLanguage(QString());
    EXPECT_EQ(action.value(QStringLiteral("org.freedesktop.policykit.exec.path")),
        QStringLiteral(VELMORA_INSTALLED_HELPER));
    for (const char* kind : { "allow_any", "allow_inactive", "allow_active" })
        EXPECT_EQ(action.value(QString::fromLatin1(kind)), QStringLiteral("auth_admin")) << kind;
}

} // namespace
