#pragma once

#include <QString>

enum class ComparisonResult { Ascending = -1, Same = 0, Descending = 1 };

// What a tree node carries. A node sorts and describes itself through its
// payload, so every payload type answers both.
class NodeData {
public:
    virtual ~NodeData() = default;

    // `other` may be null or of another payload type.
    virtual ComparisonResult compare(const NodeData* other) const = 0;
    virtual QString description() const = 0;

protected:
    NodeData() = default;
    NodeData(const NodeData&) = default;
    NodeData& operator=(const NodeData&) = default;
};
