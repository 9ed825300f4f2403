// A queue of float samples that grows at the back and shrinks at the front.
//
// Removing from the front only moves a start index; the live samples are
// moved to the beginning of the storage when the back would run past its end.
// With the capacity reserved ahead of time, appends never allocate.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

class SampleBuffer {
public:
    // Makes room for `samples` live samples without allocating later. May allocate.
    void reserve(size_t samples)
    {
        const size_t wanted = 2 * samples;
        if (storage_.size() < wanted) {
            compact();
            storage_.resize(wanted);
        }
    }

    size_t size() const { return end_ - begin_; }
    size_t capacity() const { return storage_.size() / 2; }
    float* data() { return storage_.data() + begin_; }
    const float* data() const { return storage_.data() + begin_; }
    float& operator[](size_t i) { return storage_[begin_ + i]; }

    // Appends `count` samples, left for the caller to write; returns the first.
    float* append(size_t count)
    {
        if (end_ + count > storage_.size()) {
            compact();
            if (end_ + count > storage_.size())
                storage_.resize(2 * (end_ + count));  // a block longer than any reserved for
        }
        float* first = storage_.data() + end_;
        end_ += count;
        return first;
    }

    void appendFill(size_t count, float value)
    {
        float* first = append(count);
        std::fill(first, first + count, value);
    }

    void removeFront(size_t count)
    {
        begin_ += std::min(count, size());
        if (begin_ == end_)
            begin_ = end_ = 0;
    }

    void clear() { begin_ = end_ = 0; }

private:
    void compact()
    {
        if (begin_ == 0)
            return;
        std::memmove(storage_.data(), storage_.data() + begin_, size() * sizeof(float));
        end_ -= begin_;
        begin_ = 0;
    }

    std::vector<float> storage_;
    size_t begin_ = 0;
    size_t end_ = 0;
};
