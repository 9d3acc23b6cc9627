// The charge table.
#include "studies/charge_table.h"

#include "studies/text_format.h"

bool write_charge_table(std::FILE *file, const charge_profile &charges) {
    std::fputs("index,face,kind,center,half_width,free_charge,total_charge\n", file);
    for (std::int32_t i = 0; i < charges.count; ++i) {
        const charge_cell &cell = charges.cells[i];
        std::fprintf(file, "%d,%s,%s,%s,%s,%s,%s\n", i, cell.upper ? "top" : "bottom",
                     cell.conductor >= 0 ? "strip" : "dielectric", format_double(cell.x).c_str(),
                     format_double(cell.half_width).c_str(),
                     format_double(cell.free_charge).c_str(),
                     format_double(cell.total_charge).c_str());
    }
    return std::fflush(file) == 0 && !std::ferror(file);
}
