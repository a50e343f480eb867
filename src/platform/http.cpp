#include "platform/http.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/codepage.h"

namespace xlt::http {
namespace {

void global_init_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyCloser {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

struct Sink {
    ByteString* body;
    std::size_t limit;
    bool too_large = false;
};

size_t write_body(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    if (sink->body->size() + bytes > sink->limit) {
        sink->too_large = true;
        return 0;  // makes the transfer fail with CURLE_WRITE_ERROR
    }
    sink->body->append(data, bytes);
    return bytes;
}

bool needs_escape(unsigned char c) {
    return c <= 0x20 || c >= 0x7F;
}

}  // namespace

std::string address_to_url(const Text& address) {
    const std::string utf8 = codepage::gbk_to_utf8(address);
    std::size_t path_start = 0;
    if (const std::size_t scheme_end = utf8.find("://"); scheme_end != std::string::npos) {
        path_start = utf8.find_first_of("/?#", scheme_end + 3);
        if (path_start == std::string::npos) {
            path_start = utf8.size();
        }
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = utf8.substr(0, path_start);
    for (std::size_t i = path_start; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (needs_escape(c)) {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0x0F];
        } else {
            url += static_cast<char>(c);
        }
    }
    return url;
}

GetResult get(const Text& address, const GetOptions& options) {
    GetResult result;
    global_init_once();
    std::unique_ptr<CURL, EasyCloser> curl(curl_easy_init());
    if (!curl) {
        result.error = "could not start an HTTP session";
        return result;
    }
    const std::string url = address_to_url(address);
    Sink sink{&result.body, options.max_body_bytes};
    char error_text[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, options.max_redirects);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // every encoding libcurl can decode
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout.count()));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.connect_timeout.count()));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // timeouts without SIGALRM
    curl_easy_setopt(c, CURLOPT_USERAGENT, "xilitong/1.0");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, write_body);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error_text);

    const CURLcode code = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
    if (code == CURLE_OK) {
        result.received = true;
        return result;
    }
    result.body.clear();
    if (sink.too_large) {
        result.error =
            "the body is larger than " + std::to_string(options.max_body_bytes) + " bytes";
    } else {
        result.error = error_text[0] != '\0' ? error_text : curl_easy_strerror(code);
    }
    return result;
}

}  // namespace xlt::http
