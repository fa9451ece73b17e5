#pragma once
// Reads an input file in large chunks. Files are opened in binary mode; where a
// format needs the text-mode view of line ends (a CR LF pair reads as one LF),
// get_text() provides it, so files written on Windows read the same.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace gaussnet {

class file_reader {
public:
    // description names the file in messages ("data file x.txt", "net.txt").
    // Throws fatal_error when the file cannot be opened.
    file_reader(const std::string& path, std::string description);
    ~file_reader();
    file_reader(const file_reader&) = delete;
    file_reader& operator=(const file_reader&) = delete;

    // The next byte, or -1 at the end of the file.
    int get() {
        if (pos_ == end_ && !refill(pos_)) return -1;
        return static_cast<unsigned char>(buffer_[pos_++]);
    }

    // The next character as text mode delivers it: a CR LF pair reads as LF.
    int get_text() {
        const int c = get();
        if (c == '\r' && peek() == '\n') {
            ++pos_;
            return '\n';
        }
        return c;
    }

    // The next byte without consuming it, or -1 at the end of the file.
    int peek() {
        if (pos_ == end_ && !refill(pos_)) return -1;
        return static_cast<unsigned char>(buffer_[pos_]);
    }

    // The run of bytes from here up to the next white space or separator
    // (empty when one of those, or the end of the file, comes first). The
    // view is valid until the next call.
    std::string_view next_field(char separator = ',');

    // The bytes from here up to the next line end or the end of the file,
    // without consuming them. The view is valid until the next call.
    std::string_view peek_line();

    // Skips the bytes for which skip(c) holds.
    template <typename Predicate>
    void skip_while(Predicate skip) {
        for (;;) {
            while (pos_ < end_ && skip(buffer_[pos_])) ++pos_;
            if (pos_ < end_ || !refill(pos_)) return;
        }
    }

    // Skips a UTF-8 byte-order mark at the current place (editors and
    // spreadsheets put one at the start of a file).
    void skip_byte_order_mark();

    // For a regular file, the bytes not yet consumed; -1 when the size is not
    // known beforehand (a pipe, a terminal).
    std::int64_t bytes_left() const {
        if (file_size_ < 0) return -1;
        return file_size_ - (bytes_read_ - static_cast<std::int64_t>(end_ - pos_));
    }

    const std::string& description() const { return description_; }

    // White space as the C locale's isspace sees it.
    static bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    // Moves the bytes from index keep on to the front of the buffer (growing
    // it when they fill it) and reads more after them. Returns whether any
    // byte was added. Throws fatal_error on a read error.
    bool refill(std::size_t keep);

    std::FILE* file_ = nullptr;
    std::string description_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool at_eof_ = false;
    std::int64_t file_size_ = -1;
    std::int64_t bytes_read_ = 0;
};

}  // namespace gaussnet
