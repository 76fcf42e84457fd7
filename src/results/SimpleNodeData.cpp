#include "results/SimpleNodeData.h"

SimpleNodeData::SimpleNodeData(const QString& name, bool isLeaf)
    : m_name(name)
    , m_isLeaf(isLeaf)
    , m_isExpandable(!isLeaf)
{
}

std::shared_ptr<SimpleNodeData> SimpleNodeData::leafDataWithName(
    const QString& name, qint32 privilegeToDelete, bool isDirectory)
{
    auto data = std::make_shared<SimpleNodeData>(name, true);
    data->setPrivilegeToDelete(privilegeToDelete);
    data->setIsDirectory(isDirectory);
    return data;
}

std::shared_ptr<SimpleNodeData> SimpleNodeData::groupDataWithName(const QString& name)
{
    return std::make_shared<SimpleNodeData>(name, false);
}

void SimpleNodeData::setName(const QString& name)
{
    if (!m_name.isNull() && m_name == name)
        return;
    m_name = name;
}

void SimpleNodeData::setIconRep(const QIcon& image)
{
    // Icons are the same picture when they share their data (a copy of one named image).
    if (!m_iconRep.isNull() && !image.isNull() && m_iconRep.cacheKey() == image.cacheKey())
        return;
    m_iconRep = image;
}

ComparisonResult SimpleNodeData::compare(const NodeData* other) const
{
    const auto* data = dynamic_cast<const SimpleNodeData*>(other);
    if (!data)
        return ComparisonResult::Ascending;
    const int order = QString::compare(m_name, data->m_name, Qt::CaseSensitive);
    return order < 0 ? ComparisonResult::Ascending
        : order > 0  ? ComparisonResult::Descending
                     : ComparisonResult::Same;
}
