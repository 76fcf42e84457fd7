#pragma once

#include <QIcon>
#include <QString>

// Images by name, from resources/images/<name>.svg (or .png). An unknown
// name gives a null icon, as a look-up of a missing image does.
class Images final {
public:
    static QIcon named(const QString& name);
};
