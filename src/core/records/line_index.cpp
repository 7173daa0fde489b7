#include "core/records/line_index.h"

#include <bit>

namespace veltod {
namespace {

constexpr size_t kSampleEvery = 256;

// The bit position of the rank-th set bit of word (rank below its popcount).
unsigned SelectInWord(uint64_t word, unsigned rank) {
    for (unsigned i = 0; i < rank; ++i) word &= word - 1;
    return static_cast<unsigned>(std::countr_zero(word));
}

}  // namespace

LineIndex::LineIndex(size_t count, uint64_t limit) {
    const uint64_t ratio = count == 0 ? 0 : limit / count;
    low_bits_ = ratio <= 1 ? 0 : static_cast<unsigned>(std::bit_width(ratio) - 1);
    low_.assign((count * low_bits_ + 63) / 64 + 1, 0);
    high_.assign((count + (limit >> low_bits_) + 1 + 63) / 64 + 1, 0);
    samples_.reserve(count / kSampleEvery + 1);
}

void LineIndex::Add(uint64_t position) {
    if (low_bits_ > 0) {
        const uint64_t low = position & ((uint64_t{1} << low_bits_) - 1);
        const size_t bit = added_ * low_bits_;
        low_[bit / 64] |= low << (bit % 64);
        if (bit % 64 + low_bits_ > 64) low_[bit / 64 + 1] |= low >> (64 - bit % 64);
    }
    const size_t high_bit = static_cast<size_t>(position >> low_bits_) + added_;
    high_[high_bit / 64] |= uint64_t{1} << (high_bit % 64);
    if (added_ % kSampleEvery == 0) samples_.push_back(high_bit);
    ++added_;
}

size_t LineIndex::SelectHigh(size_t index) const {
    size_t bit = static_cast<size_t>(samples_[index / kSampleEvery]);
    unsigned rank = static_cast<unsigned>(index % kSampleEvery);
    size_t word_index = bit / 64;
    uint64_t word = high_[word_index] & (~uint64_t{0} << (bit % 64));
    for (;;) {
        const unsigned ones = static_cast<unsigned>(std::popcount(word));
        if (rank < ones) return word_index * 64 + SelectInWord(word, rank);
        rank -= ones;
        word = high_[++word_index];
    }
}

uint64_t LineIndex::Position(size_t index) const {
    const uint64_t high = SelectHigh(index) - index;
    uint64_t low = 0;
    if (low_bits_ > 0) {
        const size_t bit = index * low_bits_;
        low = low_[bit / 64] >> (bit % 64);
        if (bit % 64 + low_bits_ > 64) low |= low_[bit / 64 + 1] << (64 - bit % 64);
        low &= (uint64_t{1} << low_bits_) - 1;
    }
    return (high << low_bits_) | low;
}

}  // namespace veltod
