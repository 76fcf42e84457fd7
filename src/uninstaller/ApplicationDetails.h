#pragma once

#include <QString>

// One row of the applications list.
class ApplicationDetails final {
public:
    // Relative to the applications folder, extension included: "Foo.app", "Utilities/Foo.app".
    const QString& appName() const { return m_appName; }
    void setAppName(const QString& appName) { m_appName = appName; }

    // The row's label as rich text: the icon inline, then the display name.
    const QString& appNameWithIcon() const { return m_appNameWithIcon; }
    void setAppNameWithIcon(const QString& label) { m_appNameWithIcon = label; }

    // The applications folder, "/", and appName.
    const QString& appPath() const { return m_appPath; }
    void setAppPath(const QString& appPath) { m_appPath = appPath; }

private:
    QString m_appName;
    QString m_appNameWithIcon;
    QString m_appPath;
};
