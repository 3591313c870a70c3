#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace lang {

/// Throws OutOfMemoryException; out of line so that containers need not include the
/// exception headers (which themselves use containers).
[[noreturn]] void throwOutOfMemory();

/// A growable array of elements kept contiguous and in insertion order.
///
/// Growth doubles the capacity but never allocates fewer than 32 bytes, so small arrays
/// of small elements skip the first few reallocations (4-byte elements: 0, 8, 16, 32).
template <class T>
class Array
{
public:
    Array() = default;
    Array(const Array& other) { *this = other; }
    Array(Array&& other) noexcept { swap(other); }
    ~Array()
    {
        clear();
        std::free(m_data);
    }

    Array& operator=(const Array& other)
    {
        if (this != &other) {
            clear();
            reserve(other.m_size);
            for (int i = 0; i < other.m_size; ++i)
                add(other.m_data[i]);
        }
        return *this;
    }
    Array& operator=(Array&& other) noexcept
    {
        swap(other);
        return *this;
    }

    int size() const { return m_size; }
    int capacity() const { return m_capacity; }
    bool isEmpty() const { return m_size == 0; }

    T& operator[](int index) { return m_data[index]; }
    const T& operator[](int index) const { return m_data[index]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_size; }
    T& last() { return m_data[m_size - 1]; }

    /// Appends an element, growing by the rule above when full.
    void add(const T& element)
    {
        if (m_size == m_capacity) {
            T copy(element); // element may live in this array
            grow(m_size + 1);
            new (m_data + m_size) T(std::move(copy));
        } else {
            new (m_data + m_size) T(element);
        }
        ++m_size;
    }
    void add(T&& element)
    {
        if (m_size == m_capacity) {
            T moved(std::move(element));
            grow(m_size + 1);
            new (m_data + m_size) T(std::move(moved));
        } else {
            new (m_data + m_size) T(std::move(element));
        }
        ++m_size;
    }

    /// Removes the element at index; later elements move down by one.
    void remove(int index)
    {
        for (int i = index; i + 1 < m_size; ++i)
            m_data[i] = std::move(m_data[i + 1]);
        m_data[--m_size].~T();
    }

    /// Destroys every element; the capacity stays.
    void clear()
    {
        while (m_size > 0)
            m_data[--m_size].~T();
    }

    /// Makes room for at least count elements, growing by the rule above.
    void reserve(int count)
    {
        if (count > m_capacity)
            grow(count);
    }

    /// Sets the size, default-constructing new elements or destroying the extra ones.
    void resize(int count)
    {
        reserve(count);
        if constexpr (std::is_trivially_default_constructible_v<T>) {
            // Bytes and numbers: one clearing pass, not an element at a time (megabytes of samples).
            if (m_size < count) {
                std::memset(static_cast<void*>(m_data + m_size), 0, sizeof(T) * static_cast<size_t>(count - m_size));
                m_size = count;
            }
        }
        while (m_size < count)
            new (m_data + m_size++) T();
        while (m_size > count)
            m_data[--m_size].~T();
    }

    /// Reallocates to exactly capacity elements; a capacity below the size keeps only the
    /// first capacity elements.
    void setCapacity(int capacity)
    {
        if (capacity < 0)
            capacity = 0;
        T* data = nullptr;
        if (capacity > 0) {
            data = static_cast<T*>(std::malloc(sizeof(T) * static_cast<size_t>(capacity)));
            if (!data)
                throwOutOfMemory();
        }
        int kept = m_size < capacity ? m_size : capacity;
        for (int i = 0; i < kept; ++i) {
            new (data + i) T(std::move(m_data[i]));
            m_data[i].~T();
        }
        for (int i = kept; i < m_size; ++i)
            m_data[i].~T();
        std::free(m_data);
        m_data = data;
        m_size = kept;
        m_capacity = capacity;
    }

    void swap(Array& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    T* m_data = nullptr;
    int m_size = 0;
    int m_capacity = 0;

    void grow(int needed)
    {
        int capacity = m_capacity * 2;
        const int minimum = static_cast<int>((32 + sizeof(T) - 1) / sizeof(T));
        if (capacity < minimum)
            capacity = minimum;
        if (capacity < needed)
            capacity = needed;
        setCapacity(capacity);
    }
};

} // namespace lang
