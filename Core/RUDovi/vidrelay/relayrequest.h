// Request files of the capture server: a 72-byte record that a source writes
// before posting the server's semaphore.
#pragma once

#include "zdrelayprotocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

// Checks a record's bytes: exactly 72, a pipe name "pipe_" and digits, a
// known command and kind. why says what was wrong.
bool parseRelayRequest(const uint8_t* data, size_t size, zdrelay::RequestRecord& out,
                       std::string& why);

enum class RequestFile { None, Refused, Read };

// Reads and deletes the request file: only a regular file with one name,
// never through a link, that nobody but its owner may write; owner gets the
// uid of who wrote it.
RequestFile readRequestFile(const std::string& path, zdrelay::RequestRecord& out, uid_t& owner,
                            std::string& why);
