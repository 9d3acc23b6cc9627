// Reading, checking and writing cross-section files.
#include "input/xs_file.h"

#include "input/file_io.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace {

using json = nlohmann::json;

constexpr std::size_t max_xs_bytes = 1 << 20;

// A refused entry of the file: where it stands and what is wrong with it.
struct refusal {
    std::string where, why;
};

double number(const json &value, const std::string &where) {
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        throw refusal{where, "must be a finite number"};
    return value.get<double>();
}

double tan_delta(const json &value, const std::string &where) {
    double v = number(value, where);
    if (!(v >= 0 && v < 1)) throw refusal{where, "a loss tangent must lie from 0 to below 1"};
    return v;
}

xs_point point(const json &value, const std::string &where) {
    if (!value.is_array() || value.size() != 2) throw refusal{where, "must be [x, y]"};
    return {number(value[0], where), number(value[1], where)};
}

std::vector<xs_point> polygon(const json &value, const std::string &where) {
    if (!value.is_array()) throw refusal{where, "must be a list of [x, y] corners"};
    std::vector<xs_point> corners;
    for (std::size_t i = 0; i < value.size(); ++i)
        corners.push_back(point(value[i], where + "[" + std::to_string(i) + "]"));
    // A repeated first corner at the end closes the polygon as the last edge would.
    if (corners.size() > 2 && corners.front().x == corners.back().x &&
        corners.front().y == corners.back().y)
        corners.pop_back();
    if (corners.size() < 2) throw refusal{where, "is not closed: it needs two corners or more"};
    return corners;
}

double cross(xs_point o, xs_point a, xs_point b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Whether segments ab and cd cross or touch.
bool segments_meet(xs_point a, xs_point b, xs_point c, xs_point d) {
    double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    auto on = [](xs_point p, xs_point q, xs_point r) {
        return cross(p, q, r) == 0 && std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) &&
               std::min(p.y, q.y) <= r.y && r.y <= std::max(p.y, q.y);
    };
    return on(c, d, a) || on(c, d, b) || on(a, b, c) || on(a, b, d);
}

std::size_t edge_count(const std::vector<xs_point> &p) {
    return p.size() == 2 ? 1 : p.size();
}

// Whether two edges of one polygon that are not neighbours meet, or neighbours overlap.
bool crosses_itself(const std::vector<xs_point> &p) {
    std::size_t n = p.size(), edges = edge_count(p);
    for (std::size_t i = 0; i < edges; ++i) {
        for (std::size_t j = i + 1; j < edges; ++j) {
            bool neighbours = j == i + 1 || (i == 0 && j == n - 1);
            xs_point a = p[i], b = p[(i + 1) % n], c = p[j], d = p[(j + 1) % n];
            if (!neighbours && segments_meet(a, b, c, d)) return true;
            // Neighbours share one corner; folding back along each other is a crossing.
            if (neighbours && cross(a, b, d) == 0 && cross(a, b, c) == 0 &&
                ((b.x - a.x) * (d.x - c.x) + (b.y - a.y) * (d.y - c.y)) < 0)
                return true;
        }
    }
    if (n > 2) {
        double area = 0;
        for (std::size_t i = 0; i < n; ++i)
            area += cross({0, 0}, p[i], p[(i + 1) % n]);
        if (area == 0) return true;
    }
    return false;
}

// Two conductors meet when their outlines do, or one lies inside the other.
bool conductors_meet(const xs_conductor &a, const xs_conductor &b) {
    const std::vector<xs_point> &p = a.outline, &q = b.outline;
    for (std::size_t i = 0; i < edge_count(p); ++i)
        for (std::size_t j = 0; j < edge_count(q); ++j)
            if (segments_meet(p[i], p[(i + 1) % p.size()], q[j], q[(j + 1) % q.size()]))
                return true;
    return (q.size() > 2 && xs_inside(q, p[0])) || (p.size() > 2 && xs_inside(p, q[0]));
}

cross_section parse(const json &doc) {
    if (!doc.is_object() || doc.value("format", json()) != "orvanta-cross-section")
        throw refusal{"format", "not an Orvanta cross-section file"};
    if (!doc.contains("version") || !doc["version"].is_number_integer())
        throw refusal{"version", "must be a whole number"};
    if (doc["version"].get<long>() > xs_format_version)
        throw refusal{"version",
                      "written by a later version (" + std::to_string(doc["version"].get<long>()) +
                          "); this program reads up to " + std::to_string(xs_format_version)};
    cross_section xs{};
    xs.cut_under_corners = true;
    if (doc.contains("lower_plane")) {
        if (!doc["lower_plane"].is_boolean()) throw refusal{"lower_plane", "must be true or false"};
        xs.ground_plane = doc["lower_plane"].get<bool>();
    }
    if (doc.contains("upper_plane") && !doc["upper_plane"].is_null()) {
        xs.upper_plane = true;
        xs.upper_height = number(doc["upper_plane"], "upper_plane");
        if (!(xs.upper_height > 0)) throw refusal{"upper_plane", "must lie above y = 0"};
    }
    if (doc.contains("background_epsilon_r"))
        xs.background_epsilon_r = number(doc["background_epsilon_r"], "background_epsilon_r");
    if (!(xs.background_epsilon_r >= 1))
        throw refusal{"background_epsilon_r", "a permittivity must be 1 or more"};
    if (doc.contains("background_tan_delta"))
        xs.background_tan_delta = tan_delta(doc["background_tan_delta"], "background_tan_delta");
    const json dielectrics = doc.value("dielectrics", json::array());
    if (!dielectrics.is_array()) throw refusal{"dielectrics", "must be a list"};
    for (std::size_t i = 0; i < dielectrics.size(); ++i) {
        std::string where = "dielectrics[" + std::to_string(i) + "]";
        const json &d = dielectrics[i];
        if (!d.is_object() || !d.contains("epsilon_r") || !d.contains("polygon"))
            throw refusal{where, "needs \"epsilon_r\" and \"polygon\""};
        double eps = number(d["epsilon_r"], where + ".epsilon_r");
        if (!(eps >= 1)) throw refusal{where, "a permittivity must be 1 or more"};
        std::vector<xs_point> outline = polygon(d["polygon"], where + ".polygon");
        if (outline.size() < 3) throw refusal{where, "is not closed: a region needs three corners"};
        if (crosses_itself(outline)) throw refusal{where, "the polygon crosses itself"};
        double loss = d.contains("tan_delta") ? tan_delta(d["tan_delta"], where + ".tan_delta") : 0;
        xs.dielectrics.push_back({outline, eps, loss});
    }
    const json conductors = doc.value("conductors", json::array());
    if (!conductors.is_array()) throw refusal{"conductors", "must be a list"};
    int signals = 0;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < conductors.size(); ++i) {
        std::string where = "conductors[" + std::to_string(i) + "]";
        const json &c = conductors[i];
        std::string role = c.is_object() ? c.value("role", "") : "";
        if (role != "signal" && role != "ground")
            throw refusal{where, "\"role\" must be \"signal\" or \"ground\""};
        int electrode = xs_ground;
        if (role == "signal") {
            if (!c.contains("signal") || !c["signal"].is_number_integer() ||
                c["signal"].get<int>() < 1)
                throw refusal{where, "a signal conductor needs its number, 1 or more"};
            electrode = c["signal"].get<int>() - 1;
            signals = std::max(signals, electrode + 1);
        }
        for (const char *shape : {"circle", "shield"}) {
            if (!c.contains(shape)) continue;
            const json &r = c[shape];
            if (!r.is_object() || !r.contains("centre") || !r.contains("radius"))
                throw refusal{where,
                              std::string("a ") + shape + " needs \"centre\" and \"radius\""};
            double radius = number(r["radius"], where + ".radius");
            if (!(radius > 0)) throw refusal{where, "the radius must be > 0"};
            bool shield = std::string(shape) == "shield";
            if (shield && electrode != xs_ground) throw refusal{where, "a shield is a ground"};
            xs.rounds.push_back({point(r["centre"], where + ".centre"), radius, electrode, shield});
        }
        if (c.contains("polygon")) {
            std::vector<xs_point> outline = polygon(c["polygon"], where + ".polygon");
            if (crosses_itself(outline)) throw refusal{where, "the polygon crosses itself"};
            for (const xs_conductor &other : xs.conductors) {
                if (conductors_meet(other, {outline, electrode}))
                    throw refusal{where, "overlaps or touches another conductor"};
            }
            for (xs_point p : outline) {
                if ((xs.ground_plane && p.y < 0) || (xs.upper_plane && p.y > xs.upper_height))
                    throw refusal{where, "lies beyond a plane"};
            }
            xs.conductors.push_back({outline, electrode});
        } else if (!c.contains("circle") && !c.contains("shield")) {
            throw refusal{where, "needs a \"polygon\", a \"circle\" or a \"shield\""};
        }
    }
    if (signals == 0) throw refusal{"conductors", "no signal conductor"};
    for (int k = 0; k < signals; ++k) {
        bool found = std::any_of(xs.conductors.begin(), xs.conductors.end(),
                                 [k](const xs_conductor &c) { return c.electrode == k; }) ||
                     std::any_of(xs.rounds.begin(), xs.rounds.end(),
                                 [k](const xs_round &r) { return r.electrode == k; });
        if (!found)
            throw refusal{"conductors", "signals must be numbered 1 to n: " +
                                            std::to_string(k + 1) + " is missing"};
    }
    xs.electrode_count = signals;
    // Two signals and nothing to hold the reference: one balanced line, the second
    // conductor the first one's return.
    if (!xs_has_reference(xs) && signals == 2) {
        for (xs_conductor &c : xs.conductors)
            if (c.electrode == 1) c.electrode = xs_ground;
        for (xs_round &r : xs.rounds)
            if (r.electrode == 1) r.electrode = xs_ground;
        xs.electrode_count = 1;
    }
    if (!xs_has_reference(xs))
        throw refusal{"conductors",
                      "nothing holds the reference: add a plane or a ground conductor"};
    return xs;
}

json corners(const std::vector<xs_point> &outline) {
    json list = json::array();
    for (xs_point p : outline)
        list.push_back({p.x, p.y});
    return list;
}

} // namespace

bool xs_read(const std::string &path, cross_section &out, std::string &error) {
    std::string text;
    if (!file_read_limited(path, max_xs_bytes, "a cross-section file", text, error)) return false;
    try {
        out = parse(json::parse(text));
        return true;
    } catch (const json::parse_error &e) {
        error = path + ": not a cross-section file: JSON syntax error at byte " +
                std::to_string(e.byte);
    } catch (const json::exception &) {
        error = path + ": not a cross-section file: a number out of range";
    } catch (const refusal &r) {
        error = path + ": " + r.where + ": " + r.why;
    }
    return false;
}

std::string xs_json(const cross_section &section) {
    nlohmann::ordered_json doc;
    doc["format"] = "orvanta-cross-section";
    doc["version"] = xs_format_version;
    doc["lower_plane"] = section.ground_plane;
    doc["upper_plane"] = section.upper_plane ? json(section.upper_height) : json(nullptr);
    doc["background_epsilon_r"] = section.background_epsilon_r;
    doc["background_tan_delta"] = section.background_tan_delta;
    nlohmann::ordered_json dielectrics = nlohmann::ordered_json::array();
    for (const xs_dielectric &d : section.dielectrics)
        dielectrics.push_back({{"epsilon_r", d.epsilon_r},
                               {"tan_delta", d.tan_delta},
                               {"polygon", corners(d.outline)}});
    doc["dielectrics"] = dielectrics;
    nlohmann::ordered_json conductors = nlohmann::ordered_json::array();
    auto role = [](nlohmann::ordered_json &c, int electrode) {
        c["role"] = electrode == xs_ground ? "ground" : "signal";
        if (electrode != xs_ground) c["signal"] = electrode + 1;
    };
    for (const xs_conductor &c : section.conductors) {
        nlohmann::ordered_json entry;
        role(entry, c.electrode);
        entry["polygon"] = corners(c.outline);
        conductors.push_back(entry);
    }
    for (const xs_round &r : section.rounds) {
        nlohmann::ordered_json entry;
        role(entry, r.electrode);
        entry[r.enclosing ? "shield" : "circle"] = {{"centre", {r.centre.x, r.centre.y}},
                                                    {"radius", r.radius}};
        conductors.push_back(entry);
    }
    doc["conductors"] = conductors;
    return doc.dump(2) + "\n";
}

bool xs_write(const std::string &path, const cross_section &section, std::string &error) {
    return file_write_atomic(path, xs_json(section), error);
}
