#pragma once

#include "results/NodeData.h"

#include <QIcon>
#include <QString>

#include <memory>

// The payload of every node of a results tree: a path (leaf) or a title
// (group), the check-box state and what removal needs to know.
class SimpleNodeData final : public NodeData {
public:
    static constexpr qint64 kUnknownSize = -1;

    // Ticked, no image, not a folder, privilege 0; expandable unless a leaf.
    SimpleNodeData(const QString& name, bool isLeaf);

    static std::shared_ptr<SimpleNodeData> leafDataWithName(
        const QString& name, qint32 privilegeToDelete, bool isDirectory);
    static std::shared_ptr<SimpleNodeData> groupDataWithName(const QString& name);

    const QString& name() const { return m_name; }
    // Keeps the current string when the new one has the same text.
    void setName(const QString& name);
    // The check box shown left of a leaf's path; null when there is none.
    const QIcon& iconRep() const { return m_iconRep; }
    // Keeps the current image when the new one is the same picture.
    void setIconRep(const QIcon& image);

    bool isLeaf() const { return m_isLeaf; }
    void setIsLeaf(bool isLeaf) { m_isLeaf = isLeaf; }
    bool isGroup() const { return !m_isLeaf; }
    bool isExpandable() const { return m_isExpandable; }
    void setExpandable(bool expandable) { m_isExpandable = expandable; }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected) { m_isSelected = selected; }
    bool isDirectory() const { return m_isDirectory; }
    void setIsDirectory(bool isDirectory) { m_isDirectory = isDirectory; }
    // 0: the user's own rights suffice to remove the path; anything else needs an administrator.
    qint32 privilegeToDelete() const { return m_privilegeToDelete; }
    void setPrivilegeToDelete(qint32 privilege) { m_privilegeToDelete = privilege; }

    // Bytes on disk: a path's own size (a folder's total), a group's total so
    // far; kUnknownSize until measured.
    qint64 byteSize() const { return m_byteSize; }
    void setByteSize(qint64 bytes) { m_byteSize = bytes; }

    // By name, case-sensitively by character values; any other payload sorts after this one.
    ComparisonResult compare(const NodeData* other) const override;
    QString description() const override { return m_name; }

private:
    QString m_name;
    bool m_isLeaf;
    QIcon m_iconRep;
    bool m_isSelected = true;
    bool m_isDirectory = false;
    bool m_isExpandable;
    qint32 m_privilegeToDelete = 0;
    qint64 m_byteSize = kUnknownSize;
};
