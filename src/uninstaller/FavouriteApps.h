#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The desktop's favourites bar, where one is kept: GNOME Shell's
// "favorite-apps", read and written through gsettings.
class FavouriteApps final {
public:
    FavouriteApps() = delete;

    // Takes these desktop ids out, every other favourite left in its order.
    // No gsettings, no such setting or an unreadable value: a log line, nothing written.
    static void remove(const QStringList& desktopIds);

    // An array of strings in GVariant text form: "['a.desktop', 'b.desktop']", "@as []".
    static std::optional<QStringList> parseStringArray(const QString& text);
    static QString formatStringArray(const QStringList& strings);
};
