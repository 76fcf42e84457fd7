#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// Images by name, from resources/images/<name>.svg (or .png). An unknown
// name gives a null icon, as a look-up of a missing image does.
class Images final {
public:
    static QIcon named(const QString& name);
    // The image at size x size points, drawn for the sharpest screen attached;
    // a null pixmap for an unknown name.
    static QPixmap pixmapNamed(const QString& name, int size);
};
