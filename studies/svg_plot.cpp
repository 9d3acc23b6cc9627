// Two stacked panes, each a polyline through the points on linear axes whose ticks are
// 1, 2 or 5 times a power of ten.
#include "studies/svg_plot.h"

#include "core/base/c_locale.h"
#include "studies/plot_axis.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double width = 720, pane_height = 300, left = 90, right = 20, top = 30, bottom = 50;

void pane(std::string &svg, double y0, const plot_axis &ax, const plot_axis &ay,
          const std::vector<double> &x, const std::vector<double> &y, const std::string &x_label,
          const char *y_label, const char *colour) {
    double plot_w = width - left - right, plot_h = pane_height - top - bottom;
    auto px = [&](double v) { return left + (v - ax.low) / (ax.high - ax.low) * plot_w; };
    auto py = [&](double v) { return y0 + top + (ay.high - v) / (ay.high - ay.low) * plot_h; };
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "<rect x='%g' y='%g' width='%g' height='%g' fill='none' stroke='black'/>\n", left,
                  y0 + top, plot_w, plot_h);
    svg += buf;
    for (double t = ax.low; t <= ax.high + ax.tick * 1e-9; t += ax.tick) {
        std::snprintf(buf, sizeof buf,
                      "<line x1='%.2f' y1='%g' x2='%.2f' y2='%g' stroke='#ccc'/>"
                      "<text x='%.2f' y='%g' text-anchor='middle'>%.6g</text>\n",
                      px(t), y0 + top, px(t), y0 + top + plot_h, px(t), y0 + top + plot_h + 18, t);
        svg += buf;
    }
    for (double t = ay.low; t <= ay.high + ay.tick * 1e-9; t += ay.tick) {
        std::snprintf(buf, sizeof buf,
                      "<line x1='%g' y1='%.2f' x2='%g' y2='%.2f' stroke='#ccc'/>"
                      "<text x='%g' y='%.2f' text-anchor='end'>%.6g</text>\n",
                      left, py(t), left + plot_w, py(t), left - 6, py(t) + 4, t);
        svg += buf;
    }
    std::snprintf(buf, sizeof buf,
                  "<text x='%g' y='%g' text-anchor='middle'>%s</text>\n"
                  "<text x='%g' y='%g' font-weight='bold'>%s</text>\n",
                  left + plot_w / 2, y0 + pane_height - 10, x_label.c_str(), left, y0 + top - 10,
                  y_label);
    svg += buf;
    // A failed point breaks the line.
    std::string points;
    auto flush = [&] {
        if (!points.empty()) {
            svg += "<polyline fill='none' stroke='" + std::string(colour) +
                   "' stroke-width='2' points='" + points + "'/>\n";
        }
        points.clear();
    };
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!std::isfinite(y[i])) {
            flush();
            continue;
        }
        std::snprintf(buf, sizeof buf, "%.2f,%.2f ", px(x[i]), py(y[i]));
        points += buf;
        std::snprintf(buf, sizeof buf, "<circle cx='%.2f' cy='%.2f' r='3' fill='%s'/>\n", px(x[i]),
                      py(y[i]), colour);
        svg += buf;
    }
    flush();
}

} // namespace

bool write_svg_plot(std::FILE *file, const plot_series &series) {
    c_locale_scope numbers_in_c_locale;
    plot_axis ax = plot_axis_of(series.x);
    std::string svg;
    char head[256];
    std::snprintf(head, sizeof head,
                  "<svg xmlns='http://www.w3.org/2000/svg' width='%g' height='%g' "
                  "font-family='sans-serif' font-size='13'>\n"
                  "<rect width='100%%' height='100%%' fill='white'/>\n",
                  width, 2 * pane_height);
    svg += head;
    pane(svg, 0, ax, plot_axis_of(series.z0), series.x, series.z0, series.x_label, "Z0 (Ohm)",
         "#c00000");
    pane(svg, pane_height, ax, plot_axis_of(series.eps_eff), series.x, series.eps_eff,
         series.x_label, "effective permittivity", "#0000c0");
    svg += "</svg>\n";
    return std::fputs(svg.c_str(), file) >= 0;
}
