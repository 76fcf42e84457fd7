#pragma once

#include <QList>

#include <concepts>
#include <memory>
#include <set>

class TreeNode;

// Arrays of object pointers seen two ways. "Identical" is the very same
// object; "equal" is the object's own operator== where its type has one, and
// identity where it has none (as for tree nodes). Callers pick one on purpose:
// mixing them up removes the wrong child or keeps a duplicate.
class ArrayIdentity final {
public:
    template <class T> static const void* addressOf(const std::shared_ptr<T>& object) { return object.get(); }
    template <class T> static const void* addressOf(T* object) { return object; }

    template <class Pointer> static bool isEqualObject(const Pointer& a, const Pointer& b)
    {
        if (addressOf(a) == addressOf(b))
            return true;
        if (!a || !b)
            return false;
        if constexpr (std::equality_comparable<std::remove_cvref_t<decltype(*a)>>)
            return *a == *b;
        else
            return false;
    }

    template <class Pointer>
    static bool containsObjectIdenticalTo(const QList<Pointer>& array, const void* object)
    {
        for (const Pointer& element : array) {
            if (addressOf(element) == object)
                return true;
        }
        return false;
    }

    // Tries the objects in order and stops at the first one found.
    template <class Pointer>
    static bool containsAnyObjectsIdenticalTo(const QList<Pointer>& array, const QList<Pointer>& objects)
    {
        for (const Pointer& object : objects) {
            if (containsObjectIdenticalTo(array, addressOf(object)))
                return true;
        }
        return false;
    }

    // For each object, the index of the first element equal to it, when there is one.
    template <class Pointer>
    static std::set<qsizetype> indexesOfObjects(const QList<Pointer>& array, const QList<Pointer>& objects)
    {
        std::set<qsizetype> indexes;
        for (const Pointer& object : objects) {
            for (qsizetype i = 0; i < array.size(); ++i) {
                if (isEqualObject(array[i], object)) {
                    indexes.insert(i);
                    break;
                }
            }
        }
        return indexes;
    }

    template <class Pointer>
    static void insertObjectsFromArray(QList<Pointer>& array, const QList<Pointer>& objects, qsizetype index)
    {
        // A copy first: `objects` may be `array` itself.
        const QList<Pointer> inserted = objects;
        array.insert(index, inserted.size(), Pointer());
        for (qsizetype i = 0; i < inserted.size(); ++i)
            array[index + i] = inserted[i];
    }
};

// The tree's own arrays are instantiated once, in ArrayIdentity.cpp.
using TreeNodeArray = QList<std::shared_ptr<TreeNode>>;
extern template bool ArrayIdentity::containsObjectIdenticalTo(const TreeNodeArray&, const void*);
extern template bool ArrayIdentity::containsAnyObjectsIdenticalTo(const TreeNodeArray&, const TreeNodeArray&);
extern template std::set<qsizetype> ArrayIdentity::indexesOfObjects(
    const TreeNodeArray&, const TreeNodeArray&);
extern template void ArrayIdentity::insertObjectsFromArray(TreeNodeArray&, const TreeNodeArray&, qsizetype);
