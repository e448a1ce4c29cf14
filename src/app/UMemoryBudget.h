// The memory a reader may take for one file: a number of bytes for each byte
// of the file and an allowance. Readers whose records can multiply what a
// file holds (lists that share structs, a word that makes a whole node) count
// what they fill against it, and the file is refused as too large once the
// count would pass it. A list that grows is counted with its new room while
// it moves, when the old room and the new are both taken.
#pragma once

#include "app/UFileIO.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

class CMemoryBudget {
public:
    // what names the records counted, as in "its nodes would take more than 12 MiB".
    CMemoryBudget(const std::string &path, std::uint64_t fileSize, std::uint64_t bytesPerFileByte,
                  std::uint64_t allowance, std::string what)
        : m_path(path), m_limit(bytesPerFileByte * fileSize + allowance), m_what(std::move(what))
    {
    }

    std::uint64_t Limit() const { return m_limit; }

    // Raises EFileError naming the file when bytes more would pass the limit.
    void Take(std::uint64_t bytes)
    {
        m_taken += bytes;
        if (m_taken > m_limit)
            throw EFileError("\"" + m_path + "\" is too large to show: " + m_what + " would take more than " +
                             std::to_string(m_limit >> 20) + " MiB.");
    }
    void Give(std::uint64_t bytes) { m_taken -= std::min(bytes, m_taken); }

    // What a string holds beyond its own object: its characters, when they do
    // not fit inside it, and the allocator's bookkeeping.
    static std::uint64_t HeapBytes(const std::string &text)
    {
        constexpr std::size_t InPlace = 15;
        constexpr std::uint64_t BlockOverhead = 16;
        return text.capacity() > InPlace ? text.capacity() + 1 + BlockOverhead : 0;
    }
    void TakeString(const std::string &text) { Take(HeapBytes(text)); }

    // Makes room in list for one more item, the way a list grows.
    template <typename T>
    void Grow(std::vector<T> &list)
    {
        if (list.size() < list.capacity())
            return;
        const std::size_t room = std::max<std::size_t>(16, 2 * list.capacity());
        Take(room * sizeof(T));
        const std::uint64_t old = list.capacity() * sizeof(T);
        list.reserve(room);
        Give(old);
    }
    template <typename T>
    void Append(std::vector<T> &list, T item)
    {
        Grow(list);
        list.push_back(std::move(item));
    }

private:
    std::string m_path;
    std::uint64_t m_limit;
    std::string m_what;
    std::uint64_t m_taken = 0;
};
