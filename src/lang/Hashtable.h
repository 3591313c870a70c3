#pragma once

#include "lang/Array.h"
#include "lang/Hash.h"
#include "lang/Object.h"

#include <cstdint>

namespace lang {

/// A chained hash table with prime bucket counts and one entry slot inline per bucket.
///
/// Iteration order is observable (saved files and drawing order follow it), so the
/// structure is kept exactly: buckets in order, each bucket's inline slot first and then
/// its linked slots, newer links directly after the inline slot.
template <class K, class V, class H = Hash<K>>
class Hashtable : public Object
{
    struct Slot
    {
        K key;
        V value;
        bool used = false;
        Slot* next = nullptr;
    };

public:
    /// defaultKey and defaultValue fill unused slots and are what get() returns for a
    /// missing key.
    explicit Hashtable(const K& defaultKey = K(), const V& defaultValue = V(), float loadFactor = 0.75f)
        : m_loadFactor(loadFactor), m_defaultKey(defaultKey), m_defaultValue(defaultValue)
    {
    }
    Hashtable(const Hashtable& other)
        : Object(), m_loadFactor(other.m_loadFactor), m_defaultKey(other.m_defaultKey), m_defaultValue(other.m_defaultValue)
    {
        for (auto it = other.begin(); it != other.end(); ++it)
            (*this)[it.key()] = it.value();
    }
    Hashtable& operator=(const Hashtable& other)
    {
        if (this != &other) {
            Hashtable copy(other);
            swap(copy);
        }
        return *this;
    }
    ~Hashtable() override { destroy(); }

    /// Finds or inserts key and returns its value slot; a new key holds the default value.
    V& operator[](const K& key)
    {
        if (m_count + 1 >= m_threshold)
            grow();
        Slot* slot = place(key);
        if (!slot->used) {
            slot->used = true;
            ++m_count;
        }
        return slot->value;
    }

    /// Stores value under key.
    void put(const K& key, const V& value) { (*this)[key] = value; }

    /// The value slot of key, or null when no used entry holds it.
    V* find(const K& key)
    {
        Slot* slot = lookup(key);
        return slot ? &slot->value : nullptr;
    }
    const V* find(const K& key) const { return const_cast<Hashtable*>(this)->find(key); }
    /// find() by a key of another type that hashes and compares equal as its K would (a
    /// text view for String keys), without making a K of it.
    template <class Q>
    const V* findAs(const Q& key) const
    {
        const Slot* slot = lookup(key);
        return slot ? &slot->value : nullptr;
    }

    /// The value of key, or the default value when missing.
    const V& get(const K& key) const
    {
        const V* value = find(key);
        return value ? *value : m_defaultValue;
    }

    /// Whether a used entry holds key.
    bool containsKey(const K& key) const { return find(key) != nullptr; }

    /// Removes key; its slot stays allocated and is reused by a later insertion into the
    /// same chain. Returns whether the key was there.
    bool remove(const K& key)
    {
        Slot* slot = lookup(key);
        if (!slot)
            return false;
        slot->used = false;
        slot->key = m_defaultKey;
        slot->value = m_defaultValue;
        --m_count;
        return true;
    }

    /// Removes every entry and frees every slot.
    void clear()
    {
        destroy();
        m_bucketCount = 0;
        m_bucketMultiplier = 0;
        m_count = 0;
        m_threshold = 0;
    }

    int size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    int bucketCount() const { return m_bucketCount; }
    int threshold() const { return m_threshold; }

    /// Walks the used entries in table order.
    template <class Table, class SlotPtr>
    class BasicIterator
    {
    public:
        BasicIterator(Table* table, int bucket, SlotPtr slot) : m_table(table), m_bucket(bucket), m_slot(slot) { skipUnused(); }
        const K& key() const { return m_slot->key; }
        auto& value() const { return m_slot->value; }
        BasicIterator& operator++()
        {
            advance();
            skipUnused();
            return *this;
        }
        bool operator==(const BasicIterator& other) const { return m_slot == other.m_slot; }
        bool operator!=(const BasicIterator& other) const { return m_slot != other.m_slot; }

    private:
        Table* m_table;
        int m_bucket;
        SlotPtr m_slot;

        void advance()
        {
            if (m_slot->next) {
                m_slot = m_slot->next;
            } else if (++m_bucket < m_table->m_bucketCount) {
                m_slot = &m_table->m_buckets[m_bucket];
            } else {
                m_slot = nullptr;
            }
        }
        void skipUnused()
        {
            while (m_slot && !m_slot->used)
                advance();
        }
    };
    using Iterator = BasicIterator<Hashtable, Slot*>;
    using ConstIterator = BasicIterator<const Hashtable, const Slot*>;

    Iterator begin() { return Iterator(this, 0, m_bucketCount > 0 ? m_buckets : nullptr); }
    Iterator end() { return Iterator(this, m_bucketCount, nullptr); }
    ConstIterator begin() const { return ConstIterator(this, 0, m_bucketCount > 0 ? m_buckets : nullptr); }
    ConstIterator end() const { return ConstIterator(this, m_bucketCount, nullptr); }

    void swap(Hashtable& other)
    {
        std::swap(m_bucketCount, other.m_bucketCount);
        std::swap(m_bucketMultiplier, other.m_bucketMultiplier);
        std::swap(m_buckets, other.m_buckets);
        std::swap(m_loadFactor, other.m_loadFactor);
        std::swap(m_count, other.m_count);
        std::swap(m_threshold, other.m_threshold);
        std::swap(m_defaultKey, other.m_defaultKey);
        std::swap(m_defaultValue, other.m_defaultValue);
    }

    /// The bucket count that follows count: the next of the primes, or past them
    /// count + 129403 with the lowest bit set.
    static int nextBucketCount(int count)
    {
        static const int primes[] = {37, 67, 131, 257, 521, 1031, 2053, 4099, 8209, 16411, 32771, 65543, 129403};
        for (int prime : primes)
            if (prime > count)
                return prime;
        return (count + 129403) | 1;
    }

    /// The bucket of key among bucketCount buckets.
    static int bucketOf(const K& key, int bucketCount)
    {
        return static_cast<int>((H::hash(key) & 0x7fffffff) % bucketCount);
    }

private:
    __extension__ typedef unsigned __int128 Wide; // GCC and Clang: the product's high half

    int m_bucketCount = 0;
    /// 2^64 / m_bucketCount rounded up: with it the bucket of a hash is found without a
    /// division, which took a quarter of a lookup by name. The result is the remainder
    /// exactly, so the buckets, and the table's order, are what bucketOf() gives.
    uint64_t m_bucketMultiplier = 0;
    Slot* m_buckets = nullptr;
    float m_loadFactor;
    int m_count = 0;
    int m_threshold = 0;
    K m_defaultKey;
    V m_defaultValue;

    /// The bucket of a hash among this table's buckets: bucketOf() without the division.
    int bucketIndex(int32_t hash) const
    {
        const uint32_t h = static_cast<uint32_t>(hash) & 0x7fffffffu;
        const uint64_t fraction = m_bucketMultiplier * h;
        return static_cast<int>((static_cast<Wide>(fraction) * static_cast<uint32_t>(m_bucketCount)) >> 64);
    }

    /// The used slot holding key (a K, or what findAs() takes), or null.
    template <class Q>
    Slot* lookup(const Q& key) const
    {
        if (m_bucketCount == 0)
            return nullptr;
        for (Slot* slot = &m_buckets[bucketIndex(H::hash(key))]; slot; slot = slot->next)
            if (slot->used && slot->key == key)
                return slot;
        return nullptr;
    }

    /// The insertion rule: the used slot holding key, else the last unused slot on the
    /// chain, else a new slot linked right after the inline one. The slot is not marked used.
    Slot* place(const K& key)
    {
        Slot* head = &m_buckets[bucketIndex(H::hash(key))];
        Slot* unused = nullptr;
        for (Slot* slot = head; slot; slot = slot->next) {
            if (slot->used) {
                if (slot->key == key)
                    return slot;
            } else {
                unused = slot;
            }
        }
        if (!unused) {
            unused = new (std::nothrow) Slot{m_defaultKey, m_defaultValue, false, head->next};
            if (!unused)
                throwOutOfMemory();
            head->next = unused;
        }
        unused->key = key;
        unused->value = m_defaultValue;
        return unused;
    }

    /// The insertion rule for a key known to be absent from a fresh bucket array, where the
    /// only unused slots are the inline slots of empty buckets: no key comparisons, and the
    /// key and value are moved rather than copied.
    void moveInto(Slot* buckets, int bucketCount, Slot& from)
    {
        Slot* head = &buckets[bucketOf(from.key, bucketCount)];
        Slot* to = head;
        if (head->used) {
            to = new (std::nothrow) Slot{m_defaultKey, m_defaultValue, false, head->next};
            if (!to)
                throwOutOfMemory();
            head->next = to;
        }
        to->key = std::move(from.key);
        to->value = std::move(from.value);
        to->used = true;
    }

    void grow()
    {
        int bucketCount = nextBucketCount(m_bucketCount);
        Slot* buckets = new (std::nothrow) Slot[static_cast<size_t>(bucketCount)];
        if (!buckets)
            throwOutOfMemory();
        for (int i = 0; i < bucketCount; ++i) {
            buckets[i].key = m_defaultKey;
            buckets[i].value = m_defaultValue;
        }
        for (int i = 0; i < m_bucketCount; ++i)
            for (Slot* slot = &m_buckets[i]; slot; slot = slot->next)
                if (slot->used)
                    moveInto(buckets, bucketCount, *slot);
        destroy();
        m_buckets = buckets;
        m_bucketCount = bucketCount;
        m_bucketMultiplier = UINT64_MAX / static_cast<uint32_t>(bucketCount) + 1;
        m_threshold = static_cast<int>(static_cast<float>(bucketCount) * m_loadFactor);
    }

    void destroy()
    {
        for (int i = 0; i < m_bucketCount; ++i) {
            Slot* slot = m_buckets[i].next;
            while (slot) {
                Slot* next = slot->next;
                delete slot;
                slot = next;
            }
        }
        delete[] m_buckets;
        m_buckets = nullptr;
    }
};

} // namespace lang
