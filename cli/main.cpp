// Entry point of orvanta-cli.
#include "cli/cli_run.h"

int main(int argc, char **argv) {
    return cli_run(argc, argv, stdout, stderr);
}
