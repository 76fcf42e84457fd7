#pragma once

#include "uninstaller/ApplicationDetails.h"

#include <QList>
#include <QString>

// AppImages: single executable files, found without running any of them.
class AppImageFiles final {
public:
    AppImageFiles() = delete;

    // One row per AppImage directly in the user's and the machine's
    // applications folders and the user's bin folder, and in /opt and its
    // folders, sorted by path within each. Links are passed over: removing
    // one would leave the file it leads to.
    static QList<ApplicationDetails> rows();

    // An ELF file that carries the AppImage mark (type 1 or 2) after its magic,
    // or an ELF file named "*.AppImage".
    static bool isAppImage(const QString& path);

    // The name the file gives without its version and architecture:
    // "Obsidian-1.4.16.AppImage" and "Obsidian_1.4.16_amd64.AppImage" give "Obsidian".
    static QString nameFromFileName(const QString& fileName);

    // The file itself, or the process it unpacked, which the runtime tells by APPIMAGE.
    static bool isRunning(const QString& path, const QString& procFolder);
};
