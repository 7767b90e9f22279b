// A vector that keeps its first N elements inside itself: the bytes and pins
// of one bus call fit, so recording a call allocates nothing (a fuzz run
// records millions of them). Beyond N it moves to the heap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <vector>

namespace emu {

template <typename T, size_t N> class SmallVector {
  public:
    SmallVector() = default;
    SmallVector(std::initializer_list<T> items) { assign(items.begin(), items.end()); }
    // Only the elements in use are copied (the inline room is left as it is).
    SmallVector(const SmallVector& other) { assign(other.begin(), other.end()); }
    SmallVector(SmallVector&& other) noexcept { *this = std::move(other); }
    SmallVector& operator=(const SmallVector& other) {
        if (this != &other) {
            assign(other.begin(), other.end());
        }
        return *this;
    }
    SmallVector& operator=(SmallVector&& other) noexcept {
        size_ = other.size_;
        if (size_ > N) {
            heap_ = std::move(other.heap_);
        } else {
            std::copy(other.inline_, other.inline_ + size_, inline_);
        }
        other.size_ = 0;
        return *this;
    }
    ~SmallVector() = default;
    SmallVector(const std::vector<T>& items) { assign(items.begin(), items.end()); } // NOLINT

    template <typename It> void assign(It first, It last) {
        clear();
        for (; first != last; ++first) {
            push_back(*first);
        }
    }
    void push_back(const T& item) {
        if (size_ == N) {
            heap_.assign(inline_, inline_ + N);
        }
        if (size_ >= N) {
            heap_.push_back(item);
        } else {
            inline_[size_] = item;
        }
        ++size_;
    }
    void clear() {
        size_ = 0;
        heap_.clear();
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T* data() const { return size_ > N ? heap_.data() : inline_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }
    const T& operator[](size_t i) const { return data()[i]; }
    const T& back() const { return data()[size_ - 1]; }
    operator std::vector<T>() const { return std::vector<T>(begin(), end()); } // NOLINT

    friend bool operator==(const SmallVector& a, const SmallVector& b) {
        return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator!=(const SmallVector& a, const SmallVector& b) { return !(a == b); }

  private:
    T inline_[N];         // the first size_ in use while size_ <= N
    std::vector<T> heap_; // all elements, once there are more than N
    size_t size_ = 0;
};

} // namespace emu
