// The result lines and the JSON record of a line type's or a cross-section's run: every
// figure with its error (none for a single solve), the modes of a pair named for what
// they are, the matrices; text in the chosen length unit, JSON in SI.
#pragma once

#include "input/length_units.h"
#include "input/line_options.h"
#include "studies/line_search.h"
#include "studies/line_study.h"

#include <string>
#include <vector>

// The line of one solve as it finishes: "density 2: 604 panels, Zdiff = 91.222985 Ohm".
std::string line_step_report(const line_point &point, const line_layout &layout);

// The verdict and the figures. title: what was solved ("Coupled microstrip").
std::vector<std::string> line_report(const std::string &title, const line_estimate &e,
                                     length_unit unit, double tolerance);

// The record: "line" (the type's name, or "cross-section"), "options" (SI; null for
// AUTO) when input is given, the figures with their "*_error" keys, the solves and the
// verdict.
std::string line_record_json(const line_input *input, const line_estimate &e, double tolerance);

// A sweep: every point with the option's value (SI) and its record, or its reason.
std::string line_sweep_json(const line_input &input, const line_sweep &s, double tolerance);

// A synthesis: the value found (SI) with the record of its run, or why none was.
std::string line_synthesis_json(const line_input &input, line_option option, const char *target,
                                double goal, const line_synthesis &s, double tolerance);
