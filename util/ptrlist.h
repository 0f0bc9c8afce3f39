#pragma once

#include <memory>
#include <vector>

// Ordered list that owns its elements. Out-of-range indices read as null and are ignored on
// removal, the framework's convention for bad indices.
template <class T> class FxPtrList
{
public:
    int GetSize() const { return static_cast<int>(mItems.size()); }
    T* Get(int index) const
    {
        return index >= 0 && index < GetSize() ? mItems[static_cast<size_t>(index)].get() : nullptr;
    }
    T* Add(T* item)
    {
        mItems.emplace_back(item);
        return item;
    }
    // Inserts at index, or appends when index is past the end.
    T* Insert(int index, T* item)
    {
        if (index < 0 || index >= GetSize())
            return Add(item);
        mItems.emplace(mItems.begin() + index, item);
        return item;
    }
    void Delete(int index)
    {
        if (index >= 0 && index < GetSize())
            mItems.erase(mItems.begin() + index);
    }
    void Empty() { mItems.clear(); }

private:
    std::vector<std::unique_ptr<T>> mItems;
};
