#pragma once

#include <string>
#include <vector>

// Blocking record I/O on a local stream socket (see sim/wire.h for the record format).
namespace sim::io
{

int connectTo(const std::string& path); // -1 on failure
bool sendRecord(int fd, const std::vector<uint8_t>& payload);
// False on end of stream, error, or a length prefix out of range.
bool recvRecord(int fd, std::vector<uint8_t>& payload);
bool sendAll(int fd, const void* data, size_t len);

} // namespace sim::io
