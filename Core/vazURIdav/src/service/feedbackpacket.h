// The feedback packet and the feedback service's reply.
//
// Packet: one JSON object in UTF-8, posted as the body of
// POST <feedback service>/cgi-bin/feedback (Content-Type application/json):
//
//   {"format":1, "id":"<16 hex digits>", "name":"...", "email":"...",
//    "report":"...", "system":"<kernel name> <release> <machine>"}
//
// name and email are cut to kMaxFeedbackFieldBytes, the report to
// kMaxFeedbackReportBytes, never inside a UTF-8 character; bytes that are not
// UTF-8 become U+FFFD. The id names the packet in the service's records; it
// is also the text handed back to the caller for the later post.
//
// Reply: 200 with a text whose first line is "OK" (a CR before the LF, and
// anything on later lines, allowed) when the service took the report; any
// other status or text is a refusal. At most kMaxFeedbackReplyBytes are read.
#pragma once

#include <cstddef>
#include <string>

namespace zd
{

constexpr size_t kMaxFeedbackFieldBytes = 256;
constexpr size_t kMaxFeedbackReportBytes = 65536;
constexpr size_t kMaxFeedbackReplyBytes = 4096;
// Largest packet posted: the report with every character escaped, and more.
constexpr size_t kMaxFeedbackPacketBytes = 1024 * 1024;

// The packet's JSON text, named by id.
std::string buildFeedbackPacket(const std::string& name, const std::string& email,
                                const std::string& report, const std::string& id);
// A new random 16-hex-digit id.
std::string newFeedbackId();
// True when the reply says the report was taken.
bool parseFeedbackReply(const char* reply, size_t size);

} // namespace zd
