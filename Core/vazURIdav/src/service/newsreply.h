// The news service's reply, read into the pop-up news record.
//
// The application asks GET <news service>/cgi-bin/popupad?q=<query>, the
// query percent-encoded. The service answers 200 with at most
// kMaxNewsReplyBytes of UTF-8 text, one "key=value" per line (LF or CRLF
// line ends, blank lines and lines starting with "#" ignored):
//
//   id=<-32768..32767>         required: the news item's id
//   show=<0|1>                 0 by default: whether to show the item
//   delay=<0..86400>           0 by default: seconds until it closes itself
//   force=<0|1>                0 by default: show even if the user declined it
//   width=<100..4096>          600 by default: window width
//   height=<100..4096>         400 by default: window height
//   url=<http(s) address>      the page; required when show is 1, at most
//                              1023 bytes, no blanks or control characters
//
// Keys are case-sensitive; unknown keys are ignored so that the service can
// grow. A number that is malformed or out of range, a key given twice, a
// line without "=", or a NUL byte makes the whole reply invalid: no news.
#pragma once

#include "vazURIdav.h"

#include <cstddef>

namespace zd
{

constexpr size_t kMaxNewsReplyBytes = 4096;

// Fills record (zeroed first) from the reply; false when it is invalid.
bool parseNewsReply(const char* reply, size_t size, POPUP_AD_DATA& record);

} // namespace zd
