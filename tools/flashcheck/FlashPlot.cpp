#include "tools/flashcheck/FlashPlot.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/levels/Gnuplot.h"

namespace {
constexpr int kWidth = 1400;  // pixels
constexpr int kRowHeight = 220;
constexpr int kRateTop = 16;  // transitions a second shown; more are off the top

bool writeData(const FlashMeter& meter, const std::string& path)
{
    std::ofstream out(path);
    for (size_t n = 0; n < meter.luminance().size(); ++n)
        out << meter.timeOf(static_cast<long>(n)) << ' ' << meter.luminance()[n] << ' '
            << meter.generalPerSecond()[n] << ' ' << meter.redPerSecond()[n] << '\n';
    return static_cast<bool>(out);
}
}  // namespace

bool plotFlashes(const std::vector<FlashPlotRow>& rows, const std::string& path)
{
    const Gnuplot gnuplot;
    std::ostringstream script;
    script << Gnuplot::multiplot(path, kWidth, kRowHeight, rows.size()) << "set lmargin 9\nset rmargin 9\n"
           << "set yrange [0:1]\nset ytics 0,0.25 nomirror\nset ylabel 'luminance'\n"
           << "set y2range [0:" << kRateTop << "]\nset y2tics 0,2\nset y2label 'transitions in 1 s'\n";
    bool ok = gnuplot.ok();
    for (size_t i = 0; i < rows.size() && ok; ++i) {
        const std::string data = gnuplot.file("row" + std::to_string(i) + ".dat").string();
        ok = writeData(*rows[i].meter, data);
        script << Gnuplot::rowStart(i, rows[i].title) << "plot " << Gnuplot::quoted(data)
               << " using 1:2 with lines lw 1 lc rgb '#808080' title 'mean relative luminance',"
                  " '' using 1:3 axes x1y2 with steps lw 1.2 lc rgb '#2050b0' title 'general transitions in 1 s',"
                  " '' using 1:4 axes x1y2 with steps lw 1.2 lc rgb '#d02020' title 'red transitions in 1 s',"
               << FlashMeter::kMaxTransitions
               << " axes x1y2 with lines dt 2 lc rgb '#000000' title 'limit: 6 (three flashes)'\n";
    }
    script << "unset multiplot\n";
    ok = ok && gnuplot.run(script.str());
    if (!ok) std::fprintf(stderr, "kiv-flashcheck: cannot plot into %s (is gnuplot installed?)\n", path.c_str());
    return ok;
}
