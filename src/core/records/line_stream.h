#pragma once
// Reads a text file line by line in fixed-size pieces, with the line rules of
// the record files (CR LF, lone CR and lone LF end a line; 0x1A ends the
// text). Memory stays at one piece plus the longest line, whatever the size
// of the file, so lists of any length can be scanned.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <memory>

#include "core/records/line_scanner.h"

namespace veltod {

class LineStream {
public:
    // Opens the file; FileError when it cannot be opened.
    explicit LineStream(const std::string& path, size_t piece_size = 1 << 20);
    ~LineStream();
    LineStream(const LineStream&) = delete;
    LineStream& operator=(const LineStream&) = delete;

    // Calls on_line(std::string_view) for each line until the end of the text
    // or until on_line returns false. Views are valid only during the call.
    template <typename OnLine>
    void ForEach(OnLine&& on_line);

private:
    // Reads the next piece after the bytes kept from the last one; false at
    // the end of the file.
    bool Fill();
    // Where the lines that are complete in the buffer end (0 for none).
    size_t CompleteEnd() const;

    int fd_ = -1;
    size_t piece_size_;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t used_ = 0;
    bool at_end_ = false;
};

template <typename OnLine>
void LineStream::ForEach(OnLine&& on_line) {
    bool go_on = true;
    bool text_ended = false;
    const auto each = [&](std::string_view line) {
        if (go_on && !on_line(line)) go_on = false;
    };
    while (go_on && !text_ended) {
        const bool more = Fill();
        const size_t cut = more ? CompleteEnd() : used_;
        if (cut == 0 && more) continue;
        const char* begin = buffer_.get();
        const char* stop = ScanLines(begin, begin + cut, each);
        if (stop != begin + cut || !more) text_ended = true;
        std::memmove(buffer_.get(), buffer_.get() + cut, used_ - cut);
        used_ -= cut;
    }
}

}  // namespace veltod
