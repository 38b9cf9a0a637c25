// Share tokens from getrandom(2) and their constant-time comparison.
#include "share/share_token.h"

#include <cerrno>
#include <cstdint>

#include <sys/random.h>

namespace share {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

} // namespace

std::string newToken()
{
    unsigned char bytes[18];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return {};
        }
        got += size_t(n);
    }
    std::string token;
    token.reserve(kTokenLength);
    for (size_t i = 0; i < sizeof bytes; i += 3) {
        const uint32_t v = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            token.push_back(kAlphabet[(v >> shift) & 63]);
    }
    return token;
}

bool looksLikeToken(std::string_view text)
{
    if (text.size() != kTokenLength)
        return false;
    for (char c : text) {
        const bool ok
            = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool equalConstantTime(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    // volatile keeps the compiler from turning the loop into an early-exit memcmp.
    volatile unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff = diff | (static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]));
    return diff == 0;
}

} // namespace share
