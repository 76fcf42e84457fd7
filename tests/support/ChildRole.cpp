#include "support/ChildRole.h"

#include "platform/Locations.h"
#include "platform/SystemLog.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QMap>

namespace {
QMap<QString, ChildRole::Body>& roles()
{
    static QMap<QString, ChildRole::Body> all;
    return all;
}
constexpr const char* kRoleVariable = "VELMORA_TEST_CHILD_ROLE";
constexpr const char* kRootVariable = "VELMORA_TEST_CHILD_ROOT";
} // namespace

bool ChildRole::add(const char* name, Body body)
{
    roles().insert(QString::fromLatin1(name), std::move(body));
    return true;
}

bool ChildRole::runIfRequested(int& status)
{
    const QString role = qEnvironmentVariable(kRoleVariable);
    if (role.isEmpty())
        return false;
    const QString root = qEnvironmentVariable(kRootVariable);
    // A child must never act outside the sandbox its parent made.
    if (!roles().contains(role) || root.size() < 5 || !QDir(root).exists()) {
        status = 2;
        return true;
    }
    Locations::setCurrent(Locations::sandbox(root));
    UserDefaults::reload();
    // Kept beside the sandbox, so that a parent whose child did not do its
    // part can tell why.
    SystemLog::setSink([log = QDir(root).filePath(QStringLiteral("child.log"))](const QString& line) {
        QFile file(log);
        if (file.open(QIODevice::Append))
            file.write(line.toUtf8() + '\n');
    });
    status = roles().value(role)(root);
    return true;
}

QProcessEnvironment ChildRole::environmentFor(const char* name, const QString& sandboxRoot)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kRoleVariable), QString::fromLatin1(name));
    environment.insert(QString::fromLatin1(kRootVariable), sandboxRoot);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}
