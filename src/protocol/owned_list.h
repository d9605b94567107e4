// OwnedList: an ordered list of (key, object) entries that owns its objects, as the bean
// model keeps its attributes, leaf nodes and item children.
//
// Entries stay in insertion order and may repeat a key or an object; the keys only label
// the entries (nothing looks an entry up by its key). The list owns every distinct object
// once, however many of its entries name it, so an object listed twice is freed exactly
// once. Clearing or destroying the list frees the objects from the last to the first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tabulon {

template <typename T>
class OwnedList {
 public:
  struct Entry {
    std::string key;
    T* object;  // owned by the list, not by the entry; may be null
  };
  using const_iterator = typename std::vector<Entry>::const_iterator;

  OwnedList() = default;
  OwnedList(const OwnedList&) = delete;
  OwnedList& operator=(const OwnedList&) = delete;
  ~OwnedList() { Clear(); }

  // Appends (key, object), takes ownership of the object and returns it.
  template <typename U>
  U* Add(std::string key, std::unique_ptr<U> object) {
    U* raw = object.get();
    if (raw != nullptr) owned_.push_back(std::move(object));
    entries_.push_back(Entry{std::move(key), raw});
    return raw;
  }

  // Appends one more entry for an object that this list already owns. Returns false and
  // adds nothing when the list does not own `object` (it would then have no owner).
  bool AddAgain(std::string key, T* object) {
    if (!Owns(object)) return false;
    entries_.push_back(Entry{std::move(key), object});
    return true;
  }

  bool Owns(const T* object) const {
    return object != nullptr &&
           std::any_of(owned_.begin(), owned_.end(), [object](const std::unique_ptr<T>& p) { return p.get() == object; });
  }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const Entry& operator[](std::size_t index) const { return entries_[index]; }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  // Frees every object once, the last listed first, and empties the list.
  void Clear() {
    entries_.clear();
    while (!owned_.empty()) owned_.pop_back();
  }

 private:
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<T>> owned_;  // each object once, in the order first listed
};

}  // namespace tabulon
