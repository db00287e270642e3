// The program's growable array: the particles live in one, and its growth is the one place
// the program raises its own out-of-memory error.
#pragma once
#include <cstdint>
#include <cstdlib>

#include "base/program_error.h"

namespace WorkSpace {

// A contiguous array of trivially copyable items (data, count, capacity) that grows by
// doubling and raises ProgramError{E_OUTOFMEMORY} when memory runs out.
template <typename T>
class GrowArray {
public:
    GrowArray() = default;
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;
    ~GrowArray() { std::free(data_); }

    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return capacity_; }
    T* Data() { return data_; }
    const T* Data() const { return data_; }
    T& operator[](uint32_t i) { return data_[i]; }
    const T& operator[](uint32_t i) const { return data_[i]; }

    void Reserve(uint64_t wanted) {
        if (wanted <= capacity_) return;
        uint64_t cap = capacity_ ? capacity_ : 16;
        while (cap < wanted) cap *= 2;
        if (cap > 0xFFFFFFFFull) cap = 0xFFFFFFFFull;
        if (cap < wanted || cap * sizeof(T) / sizeof(T) != cap) throw ProgramError{kEOutOfMemory};
        void* grown = std::realloc(data_, static_cast<size_t>(cap * sizeof(T)));
        if (!grown) throw ProgramError{kEOutOfMemory};
        data_ = static_cast<T*>(grown);
        capacity_ = static_cast<uint32_t>(cap);
    }
    void PushBack(const T& item) {
        if (count_ == capacity_) Reserve(static_cast<uint64_t>(count_) + 1);
        data_[count_++] = item;
    }
    // Keeps the first n items (n <= Count()).
    void Truncate(uint32_t n) { count_ = n; }
    void Clear() {
        std::free(data_);
        data_ = nullptr;
        count_ = capacity_ = 0;
    }

private:
    T* data_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};

}  // namespace WorkSpace
