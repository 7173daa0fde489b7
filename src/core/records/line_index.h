#pragma once
// Where each line of a record file starts, kept in about two bits a line
// (Elias-Fano coding) instead of a 16-byte view: a file of very short lines
// would otherwise need several times its own size to index.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltod {

class LineIndex {
public:
    // For count increasing positions, each below limit.
    LineIndex(size_t count, uint64_t limit);

    // Adds the next position; positions come in increasing order.
    void Add(uint64_t position);

    size_t Count() const { return added_; }
    uint64_t Position(size_t index) const;

private:
    size_t SelectHigh(size_t index) const;

    unsigned low_bits_ = 0;
    size_t added_ = 0;
    std::vector<uint64_t> low_;
    std::vector<uint64_t> high_;
    std::vector<uint64_t> samples_;  // bit position in high_ of every 256th position
};

}  // namespace veltod
