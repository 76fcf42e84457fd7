#pragma once

#include <QString>

// What the scan page shows about the item a scanner has just looked at.
// Made on the scan thread, read by the page while the scan thread waits.
class ScanInfo final {
public:
    void setDescription(const QString& description) { m_description = description; }
    void setCategory(const QString& category) { m_category = category; }
    const QString& getDescription() const { return m_description; }
    const QString& getCategory() const { return m_category; }

private:
    QString m_description;
    QString m_category;
};
