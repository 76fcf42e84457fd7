#pragma once

#include <QString>

// How an application was installed, which decides how it is removed.
enum class ApplicationKind { Bundle, Flatpak, Snap, AppImage };

// One row of the applications list.
class ApplicationDetails final {
public:
    // A row of a kind other than a bundle: `identifier` is the Flatpak
    // application id, the snap name or the AppImage file; the label shows
    // `name` with the image of `iconFile` (a generic one when it has none).
    static ApplicationDetails package(ApplicationKind kind, const QString& name, const QString& identifier,
        const QString& installation, const QString& iconFile);

    // Relative to the applications folder, extension included: "Foo.app", "Utilities/Foo.app".
    // Other kinds: the name shown.
    const QString& appName() const { return m_appName; }
    void setAppName(const QString& appName) { m_appName = appName; }

    // The row's label as rich text: the icon inline, then the display name.
    const QString& appNameWithIcon() const { return m_appNameWithIcon; }
    void setAppNameWithIcon(const QString& label) { m_appNameWithIcon = label; }

    // The applications folder, "/", and appName. Other kinds: the identifier.
    const QString& appPath() const { return m_appPath; }
    void setAppPath(const QString& appPath) { m_appPath = appPath; }

    ApplicationKind kind() const { return m_kind; }
    // The kind as the table shows it, a Flatpak's installation included:
    // "Flatpak (user)"; in the user's language.
    QString kindLabel() const;
    // Flatpak only: "user" or "system".
    const QString& installation() const { return m_installation; }

private:
    QString m_appName;
    QString m_appNameWithIcon;
    QString m_appPath;
    ApplicationKind m_kind = ApplicationKind::Bundle;
    QString m_installation;
};
