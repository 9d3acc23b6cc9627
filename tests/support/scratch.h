// Test support: a scratch directory removed with everything in it, and whole-file
// reading and writing.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

struct scratch {
    fs::path dir;
    scratch() {
        char name[] = "/tmp/orvanta-test-XXXXXX";
        dir = mkdtemp(name);
    }
    ~scratch() {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, ignored);
        fs::remove_all(dir, ignored);
    }
    std::string file(const char *name) const { return (dir / name).string(); }
};

inline std::string contents(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void put(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}
