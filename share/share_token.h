// Share tokens: unguessable names for shared sheets (144 random bits as 24 URL-safe characters)
// and their comparison in constant time.
#pragma once

#include <string>
#include <string_view>

namespace share {

/// Characters of a token: 18 random bytes in unpadded base64url.
inline constexpr size_t kTokenLength = 24;

/// A new token from the kernel's random source. Empty when no random bytes could be had (the
/// caller then refuses to publish rather than use a guessable name).
std::string newToken();

/// Whether text has the shape of a token (length and alphabet); says nothing about whether it
/// was ever issued.
bool looksLikeToken(std::string_view text);

/// Equality whose time depends only on the lengths, never on where the texts differ.
bool equalConstantTime(std::string_view a, std::string_view b);

} // namespace share
