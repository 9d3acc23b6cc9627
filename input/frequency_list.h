// Frequencies as typed on the command line and in the desktop program. One frequency is
// a number in the calculator's number syntax (number_syntax.h: no '+', no words) with an
// optional unit after it or after spaces, Hz, kHz, MHz, GHz or THz in any letter case:
// "10MHz", "2.4 GHz", "1.5e9", "0". The unit moves the decimal exponent before the
// number is read, so "2.4GHz" is the double 2.4e9, not 2.4 times 1e9. A list separates
// frequencies by commas and must rise strictly; a sweep is FROM:TO:POINTS, evenly spaced,
// or FROM:TO:POINTS:log, in a constant ratio (":lin" may name the default), its ends
// exactly FROM and TO. A refusal quotes the text it refuses.
#pragma once

#include <string>
#include <vector>

// The most frequencies a list or a sweep may hold.
constexpr int frequency_max_points = 100000;

// One frequency in hz. Returns false, hz unchanged, with the reason in error: an empty
// text, no number, an unknown unit, a negative or non-finite value (1e400 included).
bool frequency_parse(const std::string &text, double &hz, std::string &error);

// A comma-separated list into out (replaced). Returns false, out unchanged, with the
// reason in error: an empty list or entry, an entry frequency_parse refuses, more than
// frequency_max_points entries, or one not above the one before ("frequencies must rise:
// 2 GHz after 5 GHz").
bool frequency_list_parse(const std::string &text, std::vector<double> &out, std::string &error);

// A sweep FROM:TO:POINTS[:lin|:log] into out (replaced). Returns false, out unchanged,
// with the reason in error: not three or four fields, an unknown spacing, an end
// frequency_parse refuses, POINTS not a whole number from 1 to frequency_max_points, TO
// below FROM, one point with TO unlike FROM or several with TO equal to it, a logarithmic
// sweep from 0, or points too close for the doubles to tell apart.
bool frequency_sweep_parse(const std::string &text, std::vector<double> &out, std::string &error);

// The frequency in the largest unit it reaches, in the shortest form that reads back to
// the same quotient: "2.4 GHz", "150 Hz", "0 Hz". Cannot fail.
std::string frequency_text(double hz);
