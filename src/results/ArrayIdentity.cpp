#include "results/ArrayIdentity.h"

#include "results/TreeNode.h"

template bool ArrayIdentity::containsObjectIdenticalTo(const TreeNodeArray&, const void*);
template bool ArrayIdentity::containsAnyObjectsIdenticalTo(const TreeNodeArray&, const TreeNodeArray&);
template std::set<qsizetype> ArrayIdentity::indexesOfObjects(const TreeNodeArray&, const TreeNodeArray&);
template void ArrayIdentity::insertObjectsFromArray(TreeNodeArray&, const TreeNodeArray&, qsizetype);
