// Numbers, JSON strings and whole files.
#include "studies/text_format.h"

#include <cerrno>
#include <cstring>

#include "input/utf8.h"

#include <charconv>
#include <cmath>

std::string format_double(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[40];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, end);
}

std::string json_string(std::wstring_view text) {
    std::string quoted = "\"";
    for (char c : wide_to_utf8(text)) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

bool write_file(const std::string &name, std::FILE *err,
                const std::function<bool(std::FILE *)> &write) {
    std::FILE *file = std::fopen(name.c_str(), "w");
    bool written = file && write(file);
    int error = errno;
    if (file && std::fclose(file) != 0) written = false;
    if (!written) {
        std::fprintf(err, "orvanta-cli: cannot write '%s': %s\n", name.c_str(),
                     std::strerror(error));
    }
    return written;
}
