#include "input/file_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

namespace {

// Large enough that a 100 MB file takes a hundred reads, small enough not to matter.
constexpr std::size_t initial_chunk = std::size_t{1} << 20;

}  // namespace

file_reader::file_reader(const std::string& path, std::string description)
    : description_(std::move(description)), buffer_(initial_chunk) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        throw fatal_error(strprintf("Cannot open %s: %s.", description_.c_str(), std::strerror(errno)));
    }
    struct stat status {};
    if (::fstat(::fileno(file_), &status) == 0 && S_ISREG(status.st_mode)) file_size_ = status.st_size;
}

file_reader::~file_reader() { std::fclose(file_); }

bool file_reader::refill(std::size_t keep) {
    const std::size_t kept = end_ - keep;
    if (keep > 0 && kept > 0) std::memmove(buffer_.data(), buffer_.data() + keep, kept);
    pos_ -= keep;
    end_ = kept;
    if (at_eof_) return false;
    // Only a single token longer than the whole buffer makes it grow.
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    const std::size_t wanted = buffer_.size() - end_;
    const std::size_t got = std::fread(buffer_.data() + end_, 1, wanted, file_);
    if (got < wanted) {
        if (std::ferror(file_)) {
            throw fatal_error(strprintf("Cannot read %s: %s.", description_.c_str(), std::strerror(errno)));
        }
        at_eof_ = true;
    }
    end_ += got;
    bytes_read_ += static_cast<std::int64_t>(got);
    return got > 0;
}

std::string_view file_reader::next_field(char separator) {
    const auto ends_field = [separator](char c) { return c == separator || is_space(c); };
    std::size_t start = pos_;
    for (;;) {
        while (pos_ < end_ && !ends_field(buffer_[pos_])) ++pos_;
        if (pos_ < end_) break;
        const bool more = refill(start);
        start = 0;
        if (!more) break;
    }
    return {buffer_.data() + start, pos_ - start};
}

std::string_view file_reader::peek_line() {
    for (std::size_t searched = pos_;;) {
        const auto* begin = buffer_.data() + searched;
        const auto* line_end = static_cast<const char*>(std::memchr(begin, '\n', end_ - searched));
        if (line_end != nullptr)
            return {buffer_.data() + pos_, static_cast<std::size_t>(line_end - buffer_.data()) - pos_};
        const std::size_t held = end_ - pos_;
        if (!refill(pos_)) return {buffer_.data() + pos_, end_ - pos_};
        searched = held;
    }
}

void file_reader::skip_byte_order_mark() {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    if (end_ - pos_ < mark.size()) refill(pos_);
    if (end_ - pos_ >= mark.size() && std::string_view(buffer_.data() + pos_, mark.size()) == mark) {
        pos_ += mark.size();
    }
}

}  // namespace gaussnet
