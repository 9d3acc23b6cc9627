// Numbers and files.
#include "studies/text_format.h"

#include <cerrno>
#include <cstring>

#include <charconv>
#include <cmath>

std::string format_double(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[40];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, end);
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
