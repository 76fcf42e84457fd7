#include "results/PathIndex.h"

#include <QHash>

#include <bit>

PathIndex::PathIndex(const QStringList& texts)
    : m_texts(texts)
{
    // At most half full, so that a probe ends after a slot or two.
    const size_t slots = std::bit_ceil(size_t(std::max<qsizetype>(texts.size(), 8)) * 2);
    m_slots.resize(slots);
    m_mask = slots - 1;
}

size_t PathIndex::slotFor(QStringView text, size_t hash) const
{
    size_t at = hash & m_mask;
    for (;; at = (at + 1) & m_mask) {
        const Slot& slot = m_slots[at];
        if (slot.index < 0 || (slot.hash == hash && m_texts.at(slot.index) == text))
            return at;
    }
}

int PathIndex::insert(int index)
{
    const QString& text = m_texts.at(index);
    const size_t hash = qHash(QStringView(text), QHashSeed::globalSeed());
    Slot& slot = m_slots[slotFor(text, hash)];
    if (slot.index < 0)
        slot = { hash, index };
    return slot.index;
}

int PathIndex::find(QStringView text) const
{
    const size_t hash = qHash(text, QHashSeed::globalSeed());
    return m_slots[slotFor(text, hash)].index;
}
