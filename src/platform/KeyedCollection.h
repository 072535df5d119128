#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <utility>
#include <vector>

// Items under string keys with positions counted from 0. The insertion-ordered kind keeps entries
// in the order they were added; the key-ordered kind keeps them sorted by key compared as text,
// ignoring letter case (ties broken case-sensitively so the order is total); a collection made with
// its own key comparison keeps them sorted by that. Lookups by key are exact and take constant time;
// adding or removing shifts positions in linear time.
enum class KeyOrder { Insertion, TextIgnoringCase, Custom };

template <typename T> class KeyedCollection {
public:
    // A strict weak order of keys ("a sorts before b").
    using KeyComparison = bool (*)(const QString& a, const QString& b);

    explicit KeyedCollection(KeyOrder order = KeyOrder::Insertion) : mOrder(order) {}
    explicit KeyedCollection(KeyComparison less) : mOrder(KeyOrder::Custom), mLess(less) {}

    KeyOrder Order() const { return mOrder; }
    int Count() const { return static_cast<int>(mEntries.size()); }
    bool Exists(const QString& key) const { return mIndex.contains(key); }

    // Zero-based position of a key, -1 when absent.
    int IndexOf(const QString& key) const {
        const auto it = mIndex.constFind(key);
        return it == mIndex.constEnd() ? -1 : *it;
    }
    const QString& KeyAt(int position) const { return mEntries.at(position).first; }
    const T& ItemAt(int position) const { return mEntries.at(position).second; }
    const T& Item(const QString& key) const { return mEntries.at(checkedIndex(key)).second; }
    T& Item(const QString& key) { return mEntries.at(checkedIndex(key)).second; }

    // Adds the item under the key, or replaces the item already stored there.
    void Set(const QString& key, T item) {
        const int existing = IndexOf(key);
        if (existing >= 0) {
            mEntries[existing].second = std::move(item);
            return;
        }
        const int position = insertionPoint(key);
        mEntries.insert(mEntries.begin() + position, {key, std::move(item)});
        reindexFrom(position);
    }

    // Removes the key; returns whether it was present.
    bool Remove(const QString& key) {
        const int position = IndexOf(key);
        if (position < 0)
            return false;
        mIndex.remove(key);
        mEntries.erase(mEntries.begin() + position);
        reindexFrom(position);
        return true;
    }

    // Removes the key and hands its item over without copying it.
    T Take(const QString& key) {
        const int position = checkedIndex(key);
        T item = std::move(mEntries[position].second);
        Remove(key);
        return item;
    }

    void Clear() {
        mEntries.clear();
        mIndex.clear();
    }

    auto begin() const { return mEntries.begin(); }
    auto end() const { return mEntries.end(); }

    static bool KeyLess(const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    }

private:
    int checkedIndex(const QString& key) const;

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

    void reindexFrom(int position) {
        for (int i = position; i < Count(); ++i)
            mIndex[mEntries[i].first] = i;
    }

    KeyOrder mOrder;
    KeyComparison mLess = &KeyLess;
    std::vector<std::pair<QString, T>> mEntries;
    QHash<QString, int> mIndex;
};

#include "RuntimeError.h"

// Composed images by image key, decoded; a null image draws nothing.
using ImageCollection = KeyedCollection<QImage>;

template <typename T> int KeyedCollection<T>::checkedIndex(const QString& key) const {
    const int position = IndexOf(key);
    if (position < 0)
        throw RuntimeError(
            5, QStringLiteral("KeyedCollection"),
            QStringLiteral("Invalid procedure call or argument: no item with key '%1'").arg(key));
    return position;
}
