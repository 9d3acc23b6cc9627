// Runs orvanta-cli's entry point in the test process and captures what it writes.
#pragma once

#include "cli/cli_run.h"

#include <cstdio>
#include <string>
#include <vector>

struct cli_result {
    int status;
    std::string out;
    std::string err;
};

inline std::string read_all(std::FILE *file) {
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

// The arguments after the program name; the runs take the limits' memory ceiling,
// threads and test switches.
inline cli_result run(std::vector<std::string> args, const calc_env &limits = {}) {
    args.insert(args.begin(), "orvanta-cli");
    std::vector<const char *> argv;
    for (const std::string &a : args)
        argv.push_back(a.c_str());
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    int status = cli_run(int(argv.size()), argv.data(), out, err, limits);
    return {status, read_all(out), read_all(err)};
}
