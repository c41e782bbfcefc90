#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qv {

// The entries a scan takes from (the pending list, head first) or appends to (the found list), as
// far as the engine needs them. The window's list boxes are reached through ListBoxQueue;
// quorvane-check keeps millions of entries in a PackedQueue.
class EntryQueue {
public:
    virtual ~EntryQueue() = default;

    virtual std::size_t count() const = 0;
    // Appends at the end; false (and nothing added) when the queue is full.
    virtual bool append(const std::string& text) = 0;
    // Removes the head entry into text; false when the queue is empty.
    virtual bool takeFront(std::string& text) = 0;
    // Puts entries back at the head, the first of them first; returns how many fit.
    virtual std::size_t putFront(const std::vector<std::string>& texts) = 0;
};

} // namespace qv
