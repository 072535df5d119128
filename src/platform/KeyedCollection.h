#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

// Items under string keys with positions counted from 0. The insertion-ordered kind keeps entries
// in the order they were added; the key-ordered kind keeps them sorted by key compared as text,
// ignoring letter case (ties broken case-sensitively so the order is total); a collection made with
// its own key comparison keeps them sorted by that. Lookups by key take constant time, and so do
// adding to an insertion-ordered collection and removing: a removed entry leaves a gap that is closed
// the next time a position at or after it is asked for, so a run of removals from a large collection
// costs one pass over it rather than one each. Adding in key order shifts positions in linear time.
enum class KeyOrder { Insertion, TextIgnoringCase, Custom };

template <typename T> class KeyedCollection {
public:
    // A strict weak order of keys ("a sorts before b").
    using KeyComparison = bool (*)(const QString& a, const QString& b);

    explicit KeyedCollection(KeyOrder order = KeyOrder::Insertion) : mOrder(order) {}
    explicit KeyedCollection(KeyComparison less) : mOrder(KeyOrder::Custom), mLess(less) {}

    KeyOrder Order() const { return mOrder; }
    int Count() const { return static_cast<int>(mEntries.size()) - mGaps; }
    bool Exists(const QString& key) const { return mSlots.contains(key); }

    // Zero-based position of a key, -1 when absent.
    int IndexOf(const QString& key) const {
        const int slot = slotOf(key);
        if (slot < mFirstGap)
            return slot;
        closeGaps();
        return slotOf(key);
    }
    const QString& KeyAt(int position) const { return entryAt(position).first; }
    const T& ItemAt(int position) const { return entryAt(position).second; }
    const T& Item(const QString& key) const { return mEntries[checkedSlot(key)].second; }
    T& Item(const QString& key) { return mEntries[checkedSlot(key)].second; }

    // Adds the item under the key, or replaces the item already stored there.
    void Set(const QString& key, T item) {
        const int existing = slotOf(key);
        if (existing >= 0) {
            mEntries[existing].second = std::move(item);
            return;
        }
        if (mOrder == KeyOrder::Insertion) {
            mSlots.insert(key, static_cast<int>(mEntries.size()));
            mEntries.emplace_back(key, std::move(item));
            mInGap.push_back(false);
            return;
        }
        closeGaps();
        const int position = insertionPoint(key);
        mEntries.insert(mEntries.begin() + position, {key, std::move(item)});
        mInGap.insert(mInGap.begin() + position, false);
        renumberFrom(position);
    }

    // Removes the key; returns whether it was present.
    bool Remove(const QString& key) {
        const auto it = mSlots.constFind(key);
        if (it == mSlots.constEnd())
            return false;
        const int slot = *it;
        mSlots.erase(it);
        if (slot == static_cast<int>(mEntries.size()) - 1) {
            mEntries.pop_back();
            mInGap.pop_back();
            mFirstGap = std::min(mFirstGap, slot);
            return true;
        }
        mEntries[slot] = {}; // the item is released now, not when the gap closes
        mInGap[slot] = true;
        ++mGaps;
        mFirstGap = std::min(mFirstGap, slot);
        return true;
    }

    // Removes the key and hands its item over without copying it.
    T Take(const QString& key) {
        T item = std::move(mEntries[checkedSlot(key)].second);
        Remove(key);
        return item;
    }

    void Clear() {
        mEntries.clear();
        mInGap.clear();
        mSlots.clear();
        mGaps = 0;
        mFirstGap = NoGap;
    }

    auto begin() const {
        closeGaps();
        return mEntries.cbegin();
    }
    auto end() const {
        closeGaps();
        return mEntries.cend();
    }

    static bool KeyLess(const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    }

private:
    static constexpr int NoGap = std::numeric_limits<int>::max();

    int slotOf(const QString& key) const { return mSlots.value(key, -1); }
    int checkedSlot(const QString& key) const;

    const std::pair<QString, T>& entryAt(int position) const {
        if (position >= mFirstGap)
            closeGaps();
        return mEntries.at(position);
    }

    int insertionPoint(const QString& key) const {
        if (mOrder == KeyOrder::Insertion)
            return Count();
        int low = 0, high = Count();
        while (low < high) {
            const int mid = (low + high) / 2;
            if (mLess(mEntries[mid].first, key))
                low = mid + 1;
            else
                high = mid;
        }
        return low;
    }

    // Moves the entries after the first gap down over the gaps; positions and slots agree again.
    void closeGaps() const {
        if (mFirstGap >= static_cast<int>(mEntries.size())) {
            mFirstGap = NoGap;
            return;
        }
        int kept = mFirstGap;
        for (int slot = mFirstGap; slot < static_cast<int>(mEntries.size()); ++slot) {
            if (mInGap[slot])
                continue;
            if (kept != slot)
                mEntries[kept] = std::move(mEntries[slot]);
            ++kept;
        }
        mEntries.resize(kept);
        mInGap.assign(mEntries.size(), false);
        renumberFrom(std::exchange(mFirstGap, NoGap));
        mGaps = 0;
    }

    void renumberFrom(int position) const {
        for (int i = position; i < static_cast<int>(mEntries.size()); ++i)
            mSlots[mEntries[i].first] = i;
    }

    KeyOrder mOrder;
    KeyComparison mLess = &KeyLess;
    // Entries by slot; an entry in a gap (removed) holds nothing and has no slot in mSlots. Closing
    // the gaps changes no position anyone can see, so it is done from const members too.
    mutable std::vector<std::pair<QString, T>> mEntries;
    mutable std::vector<bool> mInGap;
    mutable QHash<QString, int> mSlots;
    mutable int mGaps = 0;
    mutable int mFirstGap = NoGap;
};

#include "RuntimeError.h"

// Composed images by image key, decoded; a null image draws nothing.
using ImageCollection = KeyedCollection<QImage>;

template <typename T> int KeyedCollection<T>::checkedSlot(const QString& key) const {
    const int position = slotOf(key);
    if (position < 0)
        throw RuntimeError(
            5, QStringLiteral("KeyedCollection"),
            QStringLiteral("Invalid procedure call or argument: no item with key '%1'").arg(key));
    return position;
}
