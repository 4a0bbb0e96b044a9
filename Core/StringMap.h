// The framework's wide-string hash map: chained buckets whose chains are
// reordered by use, so that the names a window looks up again and again
// (control names, image names) are found at the head of their chain.
//
// Keys are hashed from their last character to their first with
// hash = hash * 33 + character in 32-bit unsigned arithmetic; the bucket is the
// hash modulo the bucket count. Insertion of a key that is present fails;
// replacing a value is a separate operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Kesto {

template <class V>
class StringMap {
 public:
  static constexpr std::size_t kDefaultBuckets = 83;
  static constexpr std::size_t kMinBuckets = 16;

  explicit StringMap(std::size_t buckets = kDefaultBuckets) { Resize(buckets); }
  StringMap(const StringMap&) = delete;
  StringMap& operator=(const StringMap&) = delete;
  StringMap(StringMap&&) noexcept = default;
  StringMap& operator=(StringMap&&) noexcept = default;
  ~StringMap() { Clear(); }

  static std::uint32_t Hash(std::u16string_view key) {
    std::uint32_t hash = 0;
    for (std::size_t i = key.size(); i > 0; --i) hash = hash * 33u + static_cast<std::uint32_t>(key[i - 1]);
    return hash;
  }

  std::size_t BucketCount() const { return buckets_.size(); }
  std::size_t BucketOf(std::u16string_view key) const { return Hash(key) % buckets_.size(); }
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  // Empties the map and sets the number of buckets (never fewer than 16).
  void Resize(std::size_t buckets) {
    Clear();
    buckets_.clear();
    buckets_.resize(buckets < kMinBuckets ? kMinBuckets : buckets);
  }

  // The value stored under key, or null. A hit moves its entry to the front
  // of its chain; this reorders nothing a caller can observe but the chain
  // order, so lookups stay usable on a const map.
  V* Find(std::u16string_view key) const {
    std::unique_ptr<Node>* link = &buckets_[BucketOf(key)];
    std::unique_ptr<Node>& head = *link;
    while (*link) {
      if ((*link)->key == key) {
        if (link != &head) {
          std::unique_ptr<Node> found = std::move(*link);
          *link = std::move(found->next);
          found->next = std::move(head);
          head = std::move(found);
        }
        return &head->value;
      }
      link = &(*link)->next;
    }
    return nullptr;
  }

  bool Contains(std::u16string_view key) const { return Find(key) != nullptr; }

  // Adds key → value at the front of its chain; false (and value dropped)
  // when the key is present.
  bool Insert(std::u16string_view key, V value) {
    if (Find(key) != nullptr) return false;
    std::unique_ptr<Node>& head = buckets_[BucketOf(key)];
    auto node = std::make_unique<Node>(std::u16string(key), std::move(value));
    node->next = std::move(head);
    head = std::move(node);
    ++size_;
    return true;
  }

  // Replaces the value of a present key, or adds the key. Returns the stored
  // value.
  V& Set(std::u16string_view key, V value) {
    if (V* present = Find(key)) {
      *present = std::move(value);
      return *present;
    }
    Insert(key, std::move(value));
    return buckets_[BucketOf(key)]->value;
  }

  bool Remove(std::u16string_view key) {
    std::unique_ptr<Node>* link = &buckets_[BucketOf(key)];
    while (*link) {
      if ((*link)->key == key) {
        std::unique_ptr<Node> gone = std::move(*link);
        *link = std::move(gone->next);
        --size_;
        return true;
      }
      link = &(*link)->next;
    }
    return false;
  }

  void Clear() {
    for (auto& head : buckets_) {
      // Unlink iteratively: a long chain must not recurse through destructors.
      while (head) head = std::move(head->next);
    }
    size_ = 0;
  }

  // Every entry, bucket by bucket, each chain from its front. The callback
  // must not change the map.
  template <class F>
  void ForEach(F&& visit) const {
    for (const auto& head : buckets_) {
      for (const Node* n = head.get(); n != nullptr; n = n->next.get()) visit(n->key, n->value);
    }
  }
  template <class F>
  void ForEach(F&& visit) {
    for (auto& head : buckets_) {
      for (Node* n = head.get(); n != nullptr; n = n->next.get()) visit(n->key, n->value);
    }
  }

  // Keys of one bucket from the front of its chain.
  std::vector<std::u16string> ChainKeys(std::size_t bucket) const {
    std::vector<std::u16string> keys;
    if (bucket >= buckets_.size()) return keys;
    for (const Node* n = buckets_[bucket].get(); n != nullptr; n = n->next.get()) keys.push_back(n->key);
    return keys;
  }

 private:
  struct Node {
    Node(std::u16string k, V v) : key(std::move(k)), value(std::move(v)) {}
    std::u16string key;
    V value;
    std::unique_ptr<Node> next;
  };

  mutable std::vector<std::unique_ptr<Node>> buckets_;
  std::size_t size_ = 0;
};

}  // namespace Kesto
