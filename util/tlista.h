#pragma once
// TLista: a doubly linked list of item pointers that never owns its items; TOwningList owns them.
#include <cstdint>
#include <iterator>
#include <list>
#include <memory>

template <class T>
class TLista {
public:
    using node = typename std::list<T*>::iterator;
    using const_node = typename std::list<T*>::const_iterator;

    void Add(T* item) { items_.push_back(item); }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // The item at position i from the head, or nullptr when out of range.
    T* Get(int32_t i) const
    {
        if (i < 0 || i >= Count()) return nullptr;
        return *std::next(items_.begin(), i);
    }
    // Removes the node at position i; nothing when i is out of range. The item is not freed.
    void Delete(int32_t i)
    {
        if (i < 0 || i >= Count()) return;
        items_.erase(std::next(items_.begin(), i));
    }
    // Removes a given node and gives the node that now follows it.
    node DeleteNode(node n) { return items_.erase(n); }
    void Clear() { items_.clear(); }

    node begin() { return items_.begin(); }
    node end() { return items_.end(); }
    const_node begin() const { return items_.begin(); }
    const_node end() const { return items_.end(); }

private:
    std::list<T*> items_;
};

// A list that owns its items: emptying it destroys them.
template <class T>
class TOwningList {
public:
    TOwningList() = default;
    TOwningList(const TOwningList&) = delete;
    TOwningList& operator=(const TOwningList&) = delete;
    TOwningList(TOwningList&&) noexcept = default;
    TOwningList& operator=(TOwningList&&) noexcept = default;

    T& Add(std::unique_ptr<T> item)
    {
        items_.push_back(std::move(item));
        return *items_.back();
    }
    template <class... Args>
    T& Emplace(Args&&... args) { return Add(std::make_unique<T>(std::forward<Args>(args)...)); }

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    T* Get(int32_t i) const
    {
        if (i < 0 || i >= Count()) return nullptr;
        return std::next(items_.begin(), i)->get();
    }
    void Delete(int32_t i)
    {
        if (i < 0 || i >= Count()) return;
        items_.erase(std::next(items_.begin(), i));
    }
    void Clear() { items_.clear(); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::list<std::unique_ptr<T>> items_;
};
