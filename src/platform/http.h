// Reading a whole web resource with an HTTP GET, through libcurl.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/text.h"

namespace xlt::http {

struct GetOptions {
    // Limit for the whole transfer, redirects included: a server that stops answering
    // cannot hold the caller for longer than this.
    std::chrono::milliseconds timeout{30'000};
    // Limit for setting up each connection (name lookup, TCP and TLS handshakes).
    std::chrono::milliseconds connect_timeout{10'000};
    long max_redirects = 10;
    // A larger body is refused rather than cut.
    std::size_t max_body_bytes = std::size_t{256} << 20;
};

struct GetResult {
    // True when a response was read to its end, whatever its status; false when nothing
    // usable could be read (bad address, no connection, timeout, a body cut short).
    bool received = false;
    long status = 0;    // status code of the last response; 0 when there was none
    ByteString body;    // the decoded body, NUL bytes included; empty when !received
    std::string error;  // why nothing was received (English, for logs and tests)
};

// GETs `address` (GBK text, as a user typed it) and follows redirects, over http and
// https only. Compressed bodies (gzip, deflate, br, zstd) are decoded. The body is kept
// whatever the status, so an error page is a received page.
GetResult get(const Text& address, const GetOptions& options = {});

// The address as a URL for the wire: GBK decoded to UTF-8, and every byte after the
// host that is not printable ASCII (spaces, controls, non-ASCII) percent-encoded. A
// non-ASCII host stays UTF-8 for the resolver's IDN handling.
std::string address_to_url(const Text& address);

}  // namespace xlt::http
