// The files the program keeps (designs, cross-sections): read whole with a size limit,
// written atomically so that a failure never leaves half a file.
#pragma once

#include <cstddef>
#include <string>

// Reads the file at path into text. On failure returns false with error naming the file
// and the reason: it cannot be opened or read, or it is larger than max_bytes ("too
// large to be " + what).
bool file_read_limited(const std::string &path, std::size_t max_bytes, const char *what,
                       std::string &text, std::string &error);

// Writes text to path atomically: a temporary file in the same directory, synced and
// then renamed over the target, whose mode is kept if it exists (a new file gets 0666
// less the umask). On any failure returns false with error naming the file and the
// reason; the temporary is removed and the target is untouched.
bool file_write_atomic(const std::string &path, const std::string &text, std::string &error);
