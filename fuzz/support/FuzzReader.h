#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads a fuzz input from the front, byte by byte; past its end every byte reads 0. Front to
// back, so that a seed can be written by hand.
class FuzzReader
{
public:
    FuzzReader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t u32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return v;
    }
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        std::vector<std::uint8_t> out(n);
        for (std::uint8_t &b : out)
            b = byte();
        return out;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
