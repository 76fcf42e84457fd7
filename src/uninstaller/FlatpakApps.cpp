#include "uninstaller/FlatpakApps.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isInstallation(const QString& value)
{
    return value == QStringLiteral("user") || value == QStringLiteral("system");
}

// A name is only shown, yet a control character in it would garble the row.
bool isPrintable(const QString& name)
{
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return false;
    }
    return !name.trimmed().isEmpty();
}

} // namespace

QStringList FlatpakApps::listArguments()
{
    return { QStringLiteral("list"), QStringLiteral("--app"),
        QStringLiteral("--columns=application,name,installation") };
}

QList<ApplicationDetails> FlatpakApps::rows(const QString& listOutput)
{
    QList<ApplicationDetails> rows;
    for (const QString& line : listOutput.split(u'\n', Qt::SkipEmptyParts)) {
        QStringList fields = line.split(u'\t');
        if (fields.size() != 3) {
            // A terminal's layout pads with blanks; the name in the middle may hold some too.
            fields = line.simplified().split(u' ');
            if (fields.size() >= 3)
                fields = { fields.first(), fields.mid(1, fields.size() - 2).join(u' '), fields.last() };
        }
        if (fields.size() == 3 && fields.first() == QStringLiteral("Application"))
            continue; // the header a terminal gets
        if (fields.size() != 3 || !isApplicationId(fields.at(0)) || !isInstallation(fields.at(2))) {
            SystemLog::write(QStringLiteral("Ignoring an unexpected line of flatpak list: %1").arg(line));
            continue;
        }
        const QString& id = fields.at(0);
        const QString name = isPrintable(fields.at(1)) ? fields.at(1).trimmed() : id;
        rows.append(ApplicationDetails::package(
            ApplicationKind::Flatpak, name, id, fields.at(2), iconFile(id, fields.at(2))));
    }
    return rows;
}

bool FlatpakApps::isApplicationId(const QString& id)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_-]*(\\.[A-Za-z_][A-Za-z0-9_-]*)+$"));
    return id.size() <= 255 && pattern.match(id).hasMatch();
}

QStringList FlatpakApps::runningArguments()
{
    return { QStringLiteral("ps"), QStringLiteral("--columns=application") };
}

bool FlatpakApps::isRunning(const QString& id, const QString& runningOutput)
{
    for (const QString& line : runningOutput.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.trimmed() == id)
            return true;
    }
    return false;
}

QStringList FlatpakApps::uninstallArguments(const ApplicationDetails& application)
{
    return { QStringLiteral("uninstall"), QStringLiteral("--noninteractive"),
        QStringLiteral("--") + application.installation(), QStringLiteral("--"), application.appPath() };
}

QString FlatpakApps::supportFolder(const QString& id)
{
    return Locations::current().flatpakUserData + u'/' + id;
}

QString FlatpakApps::iconFile(const QString& id, const QString& installation)
{
    const Locations& l = Locations::current();
    const QString icons
        = (installation == QStringLiteral("user") ? l.flatpakUserExports : l.flatpakSystemExports)
        + QStringLiteral("/icons/hicolor/");
    for (const char* size : { "scalable", "48x48", "64x64", "128x128", "256x256", "32x32" }) {
        for (const char* extension : { ".svg", ".png" }) {
            const QString file
                = icons + QLatin1String(size) + QStringLiteral("/apps/") + id + QLatin1String(extension);
            if (QFileInfo(file).isFile())
                return file;
        }
    }
    return {};
}
