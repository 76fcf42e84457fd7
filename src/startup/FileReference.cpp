#include "startup/FileReference.h"

#include <QDir>
#include <QFileInfo>

FileReference::FileReference(const QString& path)
    : m_path(path)
{
}

std::optional<FileReference> FileReference::fromURL(const QUrl& url)
{
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    return fromPath(url.toLocalFile());
}

std::optional<FileReference> FileReference::fromPath(const QString& path)
{
    // A lone surrogate would be written to disk as something else than it
    // reads here, so the check below could approve another file.
    if (!path.startsWith(u'/') || !path.isValidUtf16())
        return std::nullopt;
    const QString cleaned = QDir::cleanPath(path);
    if (!QFileInfo::exists(cleaned))
        return std::nullopt;
    return FileReference(cleaned);
}

QUrl FileReference::urlForPath(const QString& path)
{
    return QUrl::fromLocalFile(path.isEmpty() ? path : QDir::cleanPath(path));
}
