#pragma once

#include <QString>
#include <QVariantMap>

// What an application bundle says about itself, from its Info.plist
// ("Contents/Info.plist", or "Info.plist" at the top of a flat bundle).
// A bundle without a readable dictionary there has no identifier and no values.
class ApplicationBundle final {
public:
    explicit ApplicationBundle(const QString& path);

    // Empty when absent or not a string.
    QString bundleIdentifier() const;
    QString stringForInfoDictionaryKey(const QString& key) const;
    QString bundleName() const { return stringForInfoDictionaryKey(QStringLiteral("CFBundleName")); }

private:
    QVariantMap m_info;
};
