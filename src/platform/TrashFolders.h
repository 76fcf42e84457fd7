#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct Locations;

// The trash folders of the user as the freedesktop trash specification places
// them: the home's own, and on every mounted volume "<mount>/.Trash/<uid>"
// (only where ".Trash" is a sticky folder, not a link) or "<mount>/.Trash-<uid>".
// Each holds files/ (the trashed items) and info/ (one "<name>.trashinfo" each).
class TrashFolders final {
public:
    struct Folder {
        // Opened as written; every component of `below` is a real folder,
        // never a link, and whatever acts on the trash must open it so.
        QString base;
        QStringList below;
        QString path() const;
    };

    // Every trash folder there is now, each once however often it is mounted.
    // `passedOver` gets one line for each folder that looks like a trash
    // folder but fails the rules (another user's, a link, not sticky).
    static QList<Folder> find(const Locations& locations, QStringList* passedOver = nullptr);

    static inline const QString kFiles = QStringLiteral("files");
    static inline const QString kInfo = QStringLiteral("info");
    // The name of the info file of the item `name` in files/.
    static QString infoFileName(const QString& name);
};
