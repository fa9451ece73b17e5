#pragma once
// An output file that appears under its name only once it is complete: it is
// written to a temporary name in the same directory and then moved into place,
// so no half-written data.txt or net.txt is ever left behind as if it were
// whole. Every failure (open, write, full disk, close, rename) throws
// sim_error; the temporary file is removed unless it was published.

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gaussnet::simulate {

class staged_file {
public:
    explicit staged_file(std::string path);
    ~staged_file();
    staged_file(const staged_file&) = delete;
    staged_file& operator=(const staged_file&) = delete;

    void append(std::string_view text) {
        if (text.size() > free_space()) make_room(text.size());
        buffer_.insert(buffer_.end(), text.begin(), text.end());
    }
    void append(char c) {
        if (free_space() == 0) flush();
        buffer_.push_back(c);
    }
    // The shortest text that reads back as exactly this float.
    void append(float value) {
        constexpr std::size_t longest = 32;  // "-1.17549435e-38" has 15
        if (free_space() < longest) flush();
        const std::size_t used = buffer_.size();
        buffer_.resize(used + longest);
        const auto result = std::to_chars(buffer_.data() + used, buffer_.data() + used + longest, value);
        buffer_.resize(static_cast<std::size_t>(result.ptr - buffer_.data()));
    }

    // Writes out the buffer and closes the temporary file.
    void finish();
    // Moves the finished file to its name. Without replace an existing file
    // is an error and is left as it was.
    void publish(bool replace);
    // Removes a published file again (when its companion could not be published).
    void withdraw();

    const std::string& path() const { return path_; }

private:
    std::size_t free_space() const { return buffer_.capacity() - buffer_.size(); }
    void make_room(std::size_t size);
    void flush();
    [[noreturn]] void fail(const char* what) const;

    std::string path_;
    std::string temp_path_;
    std::vector<char> buffer_;
    int fd_ = -1;
    bool published_ = false;
};

}  // namespace gaussnet::simulate
