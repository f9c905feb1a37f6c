// The pipes that the capture server has made under /tmp, written down in a
// file of its own in the request folder: a server that was killed leaves its
// pipes behind, and the next one removes those, and only those, that are
// still the very pipes it made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class RelayLog;

class PipeLedger
{
public:
    struct Entry {
        std::string path;
        uint64_t device;
        uint64_t inode;
    };
    // More than the streams a server runs at once.
    static constexpr size_t kMaxEntries = 64;
    static constexpr size_t kMaxFileBytes = 16384;

    PipeLedger(std::string file, RelayLog& log);
    PipeLedger(const PipeLedger&) = delete;
    PipeLedger& operator=(const PipeLedger&) = delete;

    // Removes the pipes of an earlier run that are still there unchanged; the
    // ledger then starts empty.
    void removeLeftovers();
    void add(const std::string& path, dev_t device, ino_t inode);
    void remove(const std::string& path);
    // No pipe is left: the ledger file goes.
    void discard();

    // Lines "<path> <device> <inode>"; lines that name no pipe of the server
    // (/tmp/capp_pipe_<digits>) or that are not whole are skipped, and at
    // most kMaxEntries are kept.
    static std::vector<Entry> parse(const char* text, size_t size);

private:
    void save();

    const std::string m_file;
    RelayLog& m_log;
    std::vector<Entry> m_entries;
};
