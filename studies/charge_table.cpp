// The charge table.
#include "studies/charge_table.h"

#include "studies/text_format.h"

bool write_charge_table(std::FILE *file, const charge_profile &charges) {
    std::fputs(charges.flat ? "index,face,kind,center,half_width,free_charge,total_charge\n"
                            : "index,kind,conductor,x,y,along,length,free_charge,total_charge\n",
               file);
    for (std::int32_t i = 0; i < charges.count; ++i) {
        const charge_cell &cell = charges.cells[i];
        if (charges.flat) {
            std::fprintf(file, "%d,%s,%s,%s,%s,%s,%s\n", i, cell.upper ? "top" : "bottom",
                         cell.kind == charge_kind::conductor ? "strip" : "dielectric",
                         format_double(cell.x).c_str(), format_double(cell.half_width).c_str(),
                         format_double(cell.free_charge).c_str(),
                         format_double(cell.total_charge).c_str());
            continue;
        }
        std::fprintf(file, "%d,%s,%d,%s,%s,%s,%s,%s,%s\n", i,
                     cell.kind == charge_kind::plane ? "plane" : "conductor", cell.conductor,
                     format_double(cell.x).c_str(), format_double(cell.y).c_str(),
                     format_double(cell.along).c_str(), format_double(2 * cell.half_width).c_str(),
                     format_double(cell.free_charge).c_str(),
                     format_double(cell.total_charge).c_str());
    }
    return std::fflush(file) == 0 && !std::ferror(file);
}
