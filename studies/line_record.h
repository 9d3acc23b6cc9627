// The JSON record of a line's run as a document, for the records that extend it (a
// run over frequencies adds its losses to the lossless figures).
#pragma once

#include "input/line_options.h"
#include "studies/line_study.h"

#include <nlohmann/json.hpp>

// The record line_record_json writes: "line", "options" when input is given, the
// figures with their errors, the solves and the verdict.
nlohmann::ordered_json line_record(const line_input *input, const line_estimate &e,
                                   double tolerance);
