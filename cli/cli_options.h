// The command line of orvanta-cli: the seven field texts, exactly as they would be typed
// into the dialog, and the output choices.
#pragma once

#include "../ui/read_inputs.h"

#include <string>

struct cli_options {
    // Indexed by field_control - control_w1; each starts as the dialog's start value.
    std::wstring fields[7] = {L"2.4", L"10", L"0.79", L"0.0", L"2.2", L"2.0", L"AUTO"};
    bool json = false;
    std::string charges_file; // empty: no charge table
    bool help = false;
    bool version = false;
};

// Parses argv. Returns an empty text on success, else the usage error to show.
std::string cli_parse(int argc, const char *const *argv, cli_options &options);

// The text of --help.
extern const char cli_usage[];
