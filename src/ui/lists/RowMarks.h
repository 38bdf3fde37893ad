#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamberlink {

// A mark a row, kept a bit a row in 64-bit words. A row inserted or removed moves the marks
// after it a word at a time: at the top of a list of a million rows that is some 16,000
// word moves, where std::vector<bool> moves a million bits one by one.
class RowMarks {
public:
    std::size_t size() const { return size_; }
    bool operator[](std::size_t row) const { return (words_[row / 64] >> (row % 64)) & 1U; }

    void Set(std::size_t row, bool marked) {
        const Word bit = Word(1) << (row % 64);
        words_[row / 64] = marked ? words_[row / 64] | bit : words_[row / 64] & ~bit;
    }
    void Assign(std::size_t rows, bool marked) {
        words_.assign(WordsFor(rows), marked ? ~Word(0) : Word(0));
        size_ = rows;
        ClearTail();
    }
    // New rows are unmarked.
    void Resize(std::size_t rows) {
        words_.resize(WordsFor(rows), 0);
        size_ = rows;
        ClearTail();
    }
    void Clear() { Resize(0); }

    // An unmarked row at `row`; the rows from there move down one.
    void InsertUnmarked(std::size_t row) {
        Resize(size_ + 1);
        const std::size_t first = row / 64;
        for (std::size_t k = words_.size() - 1; k > first; --k) {
            words_[k] = (words_[k] << 1) | (words_[k - 1] >> 63);
        }
        const Word below = (Word(1) << (row % 64)) - 1;
        words_[first] = (words_[first] & below) | ((words_[first] & ~below) << 1);
    }

    // Removes the rows [first, last); the rows after them move up.
    void Erase(std::size_t first, std::size_t last) {
        const std::size_t count = last - first;
        if (count == 0) {
            return;
        }
        const std::size_t at = first / 64;
        const Word below = (Word(1) << (first % 64)) - 1;
        // Ascending: each word reads only words at or after it, not yet moved.
        words_[at] = (words_[at] & below) | (WordAt(first + count) << (first % 64));
        for (std::size_t k = at + 1; k < words_.size(); ++k) {
            words_[k] = WordAt(k * 64 + count);
        }
        Resize(size_ - count);
    }

private:
    using Word = std::uint64_t;

    static std::size_t WordsFor(std::size_t rows) { return (rows + 63) / 64; }

    // The 64 marks from `row` on; rows past the end read as unmarked.
    Word WordAt(std::size_t row) const {
        const std::size_t k = row / 64;
        const std::size_t shift = row % 64;
        if (k >= words_.size()) {
            return 0;
        }
        const Word low = words_[k] >> shift;
        const Word high = shift != 0 && k + 1 < words_.size() ? words_[k + 1] << (64 - shift) : 0;
        return low | high;
    }
    // Bits past the last row stay clear, so that growing never marks a row.
    void ClearTail() {
        if (size_ % 64 != 0) {
            words_.back() &= (Word(1) << (size_ % 64)) - 1;
        }
    }

    std::vector<Word> words_;
    std::size_t size_ = 0;
};

} // namespace tamberlink
