// Option parsing for orvanta-cli: "--name value" or "--name=value"; the last one of a
// repeated option counts.
#include "cli_options.h"

#include "utf8.h"

#include <string_view>

const char cli_usage[] =
    "Usage: orvanta-cli [OPTION]...\n"
    "Compute the characteristic impedance Z0 and the effective permittivity of a\n"
    "two-strip transmission line: a dielectric slab with one strip on each face.\n"
    "\n"
    "Geometry, in millimetres, each value typed as in the calculator's dialog:\n"
    "  --w1 VALUE          width of the top strip (default 2.4)\n"
    "  --w2 VALUE|INF      width of the bottom strip; INF: microstrip over a ground\n"
    "                      plane (default 10)\n"
    "  --h VALUE           slab thickness (default 0.79)\n"
    "  --d VALUE           offset of the top strip's centre to the right of the\n"
    "                      bottom strip's centre (default 0.0)\n"
    "  --epsilon-r VALUE   relative permittivity of the slab (default 2.2)\n"
    "  --p VALUE|AUTO      slab overhang beyond the outermost strip edge (default 2.0)\n"
    "  --mesh-step VALUE|AUTO  nominal cell width (default AUTO)\n"
    "\n"
    "Output:\n"
    "  --json              print one JSON object instead of the result lines\n"
    "  --charges FILE      write the slab problem's cell charges as CSV to FILE\n"
    "  --help              show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status: 0 result, 1 refused input, 2 usage error, 3 failed calculation,\n"
    "4 the charges file could not be written.\n";

namespace {

struct field_option {
    std::string_view name;
    field_control control;
};

constexpr field_option field_options[] = {
    {"--w1", control_w1},
    {"--w2", control_w2},
    {"--h", control_h},
    {"--d", control_d},
    {"--epsilon-r", control_epsilon_r},
    {"--p", control_p},
    {"--mesh-step", control_mesh_step},
};

} // namespace

std::string cli_parse(int argc, const char *const *argv, cli_options &options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view name = arg.substr(0, arg.find('='));
        bool inline_value = name.size() < arg.size();

        if (name == "--help" || name == "--version" || name == "--json") {
            if (inline_value) return "option '" + std::string(name) + "' takes no value";
            if (name == "--help") options.help = true;
            if (name == "--version") options.version = true;
            if (name == "--json") options.json = true;
            continue;
        }

        const field_option *field = nullptr;
        for (const field_option &candidate : field_options) {
            if (candidate.name == name) field = &candidate;
        }
        if (!field && name != "--charges") return "unknown option '" + std::string(arg) + "'";

        std::string_view value;
        if (inline_value) {
            value = arg.substr(name.size() + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return "option '" + std::string(name) + "' needs a value";
        }
        if (field) {
            options.fields[field->control - control_w1] = utf8_to_wide(value);
        } else if (value.empty()) {
            return "option '--charges' needs a file name";
        } else {
            options.charges_file = value;
        }
    }
    return {};
}
