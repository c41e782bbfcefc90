#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/check/EntryFilter.h"
#include "engine/EntryQueue.h"
#include "engine/PackedQueue.h"
#include "platform/TextFile.h"

namespace qv {

// quorvane-check's pending list: the entries of the files read before the scan, packed, and
// then standard input as it arrives. While input may still come the queue counts one entry more
// than it holds, so the scan waits for it instead of ending; taking from an empty queue reads
// what has arrived without waiting. At most kStreamBound entries are read ahead: then reading
// pauses, and the producer waits as a pipe's writer does.
class PendingQueue final : public EntryQueue {
public:
    static constexpr std::size_t kStreamBound = 4096;

    // Lines the filter refuses are not added.
    void setFilter(std::unique_ptr<EntryFilter> filter) { m_filter = std::move(filter); }
    // Called with each entry accepted, as it is added.
    std::function<void(const std::string&)> onAccepted;

    // Reads the whole file; false, with the error, when it cannot be read.
    bool load(TextFileReader& file, std::string& error);
    // Standard input is read as the scan runs.
    void streamStandardInput();
    bool streaming() const { return m_streaming; }
    // Reads the lines that have arrived, up to the bound; true when anything changed (entries
    // came, or the input ended). A read error ends the input, with streamError() set.
    bool pull();
    std::string streamError() const { return m_input.errorString(); }
    // Entries accepted so far, from files and input.
    std::size_t accepted() const { return m_accepted; }

    // EntryQueue
    std::size_t count() const override { return m_queue.count() + (m_streaming ? 1 : 0); }
    bool append(const std::string& text) override { return m_queue.append(text); }
    bool takeFront(std::string& text) override;
    std::size_t putFront(const std::vector<std::string>& texts) override { return m_queue.putFront(texts); }

private:
    void add(const std::string& line);

    std::unique_ptr<EntryFilter> m_filter;
    PackedQueue m_queue;
    TextFileReader m_input;
    bool m_streaming = false;
    std::size_t m_accepted = 0;
    std::string m_line;
};

} // namespace qv
