// UTF-8 to wide text and back, independent of the process locale. Malformed input
// becomes U+FFFD, so every byte string a shell can pass turns into a text that
// validation refuses or accepts, and back into valid UTF-8 when it is shown.
#pragma once

#include <string>
#include <string_view>

std::wstring utf8_to_wide(std::string_view bytes);
std::string wide_to_utf8(std::wstring_view text);
