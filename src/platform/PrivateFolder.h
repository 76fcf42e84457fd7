#pragma once

#include <QString>

// A fresh folder only the running user may enter (mode 0700), made in
// `parent` for a working copy nobody else can swap or read, and removed with
// the files in it when this goes. `parent` must be the user's own or sticky,
// so no one else can rename the folder away while it is used.
class PrivateFolder final {
public:
    explicit PrivateFolder(const QString& parent);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool isValid() const { return m_descriptor >= 0; }
    // Why the folder could not be made.
    QString errorText() const { return m_error; }
    QString path() const { return m_path; }
    // The opened folder, for openat and friends.
    int descriptor() const { return m_descriptor; }

private:
    QString m_path;
    QString m_error;
    int m_descriptor = -1;
};
