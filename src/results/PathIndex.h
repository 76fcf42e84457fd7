#pragma once

#include <QStringList>

#include <vector>

// Which of a list's texts first spells a given path: a table of indices into
// the list, open-addressed, with each text's hash kept beside its index. A
// list of a few hundred thousand paths fits in a few megabytes and no text is
// copied; a QHash<QString, int> would allocate and hold a copy of every one.
// The hash is seeded per process as QHash's is, so that names chosen to
// collide cannot make the table slow. The list must outlive the index and
// stay unchanged.
class PathIndex final {
public:
    explicit PathIndex(const QStringList& texts);

    // The first index whose text is texts[index]'s, storing `index` when none
    // was before it.
    int insert(int index);
    // The first index whose text is `text`, or -1.
    int find(QStringView text) const;

private:
    struct Slot {
        size_t hash = 0;
        int index = -1;
    };
    // Where `text` is held, or the empty slot where it would go.
    size_t slotFor(QStringView text, size_t hash) const;

    const QStringList& m_texts;
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
};
