#include "tools/levels/Plot.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/levels/Gnuplot.h"

namespace {
namespace fs = std::filesystem;

constexpr int kWidth = 1400;        // pixels
constexpr int kRowHeight = 190;
constexpr double kLevelTop = 1.6;   // louder passes are cut off: the picture is at full size long before
constexpr int kBucket = 12;         // passes per plotted point (0.2 s): its range shows the beat

// Per bucket: time, mean level, lowest and highest brightness.
bool writeData(const LevelTrace& trace, const fs::path& path)
{
    std::ofstream out(path);
    for (size_t first = 0; first < trace.time.size(); first += kBucket) {
        const size_t last = std::min(trace.time.size(), first + kBucket);
        double level = 0.0;
        float low = trace.brightness[first], high = low;
        for (size_t i = first; i < last; ++i) {
            level += trace.level[i];
            low = std::min(low, trace.brightness[i]);
            high = std::max(high, trace.brightness[i]);
        }
        out << trace.time[first] << ' ' << level / static_cast<double>(last - first) << ' ' << low << ' ' << high
            << '\n';
    }
    return static_cast<bool>(out);
}
}  // namespace

bool plotLevels(const std::vector<PlotRow>& rows, const std::string& path)
{
    const Gnuplot gnuplot;
    std::ostringstream script;
    script << Gnuplot::multiplot(path, kWidth, kRowHeight, rows.size()) << "set lmargin 7\nset rmargin 2\n"
           << "set xrange [0:152]\nset xtics 0,10,150\nset yrange [0:" << kLevelTop << "]\nset ytics 0,0.5\n"
           << "set arrow 1 from 12,0 to 12," << kLevelTop << " nohead dt 2 lc rgb '#888888'\n";
    bool ok = gnuplot.ok();
    for (size_t i = 0; i < rows.size() && ok; ++i) {
        const fs::path data = gnuplot.file("row" + std::to_string(i) + ".dat");
        ok = writeData(*rows[i].trace, data);
        script << Gnuplot::rowStart(i, rows[i].title) << "plot " << Gnuplot::quoted(data.string())
               << " using 1:3:4 with filledcurves lc rgb '#f0a050' title 'background brightness, range in 0.2 s',"
                  " '' using 1:2 with lines lw 1.2 lc rgb '#2050b0' title 'audioLevel, mean in 0.2 s'\n";
    }
    script << "unset multiplot\n";
    ok = ok && gnuplot.run(script.str());
    if (!ok) std::fprintf(stderr, "kiv-levels: cannot plot into %s (is gnuplot installed?)\n", path.c_str());
    return ok;
}
