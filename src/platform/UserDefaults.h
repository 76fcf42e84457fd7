#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

// The user's defaults, kept in the settings file that Locations names.
// What a damaged file holds that cannot be read counts as not set; the first
// save moves that file aside to "<file>.damaged". Main thread only, like the
// pages that use it.
class UserDefaults final {
public:
    static UserDefaults& standardUserDefaults();
    // Re-opens the store at Locations::current().userDefaultsFile (tests call it
    // after switching sandboxes); references to the defaults stay valid.
    static void reload();

    bool contains(const QString& key) const;
    QVariant objectForKey(const QString& key) const;
    QString stringForKey(const QString& key) const; // null QString when absent or not a string
    qint64 integerForKey(const QString& key) const; // 0 when absent or not a number
    bool boolForKey(const QString& key) const; // false when absent

    void setObject(const QVariant& value, const QString& key);
    void setInteger(qint64 value, const QString& key);
    void setBool(bool value, const QString& key);
    void removeObjectForKey(const QString& key);
    bool synchronize();

    ~UserDefaults();

private:
    explicit UserDefaults(const QString& file);
    void open(const QString& file);
    bool startOverFromDamagedFile();

    std::unique_ptr<QSettings> m_settings;
    bool m_damaged = false;
};
