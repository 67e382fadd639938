#include "tools/levels/Plot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
namespace fs = std::filesystem;

constexpr int kWidth = 1400;        // pixels
constexpr int kRowHeight = 190;
constexpr double kLevelTop = 1.6;   // louder passes are cut off: the picture is at full size long before
constexpr int kBucket = 12;         // passes per plotted point (0.2 s): its range shows the beat

// gnuplot takes strings in single quotes, where only a quote needs escaping (by doubling it).
std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

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
    char pattern[] = "/tmp/kiv-levels-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("kiv-levels: temporary folder");
        return false;
    }
    const fs::path dir = pattern;
    std::ofstream script(dir / "plot.gp");
    // libgd's terminal writes an indexed-colour PNG: a tenth of the size of a cairo one for these curves.
    script << "set terminal png size " << kWidth << "," << kRowHeight * rows.size() + 40
           << " font 'sans,9' noenhanced\n"
           << "set output " << quoted(path) << "\n"
           << "set multiplot layout " << rows.size() << ",1\n"
           << "set lmargin 7\nset rmargin 2\nset tmargin 1.5\nset bmargin 1.5\n"
           << "set xrange [0:152]\nset xtics 0,10,150\nset yrange [0:" << kLevelTop << "]\nset ytics 0,0.5\n"
           << "set grid xtics ytics lc rgb '#dddddd'\nset key inside left top horizontal opaque\n"
           << "set arrow 1 from 12,0 to 12," << kLevelTop << " nohead dt 2 lc rgb '#888888'\n";
    bool ok = static_cast<bool>(script);
    for (size_t i = 0; i < rows.size() && ok; ++i) {
        const fs::path data = dir / ("row" + std::to_string(i) + ".dat");
        ok = writeData(*rows[i].trace, data);
        if (i == 1) script << "unset key\n";  // the first row's key serves all
        script << "set title " << quoted(rows[i].title) << " offset 0,-0.8\n"
               << "plot " << quoted(data.string())
               << " using 1:3:4 with filledcurves lc rgb '#f0a050' title 'background brightness, range in 0.2 s',"
                  " '' using 1:2 with lines lw 1.2 lc rgb '#2050b0' title 'audioLevel, mean in 0.2 s'\n";
    }
    script << "unset multiplot\n";
    script.close();
    ok = ok && static_cast<bool>(script) &&
         std::system(("gnuplot " + quoted((dir / "plot.gp").string()) + " 2>&1").c_str()) == 0;
    if (!ok) std::fprintf(stderr, "kiv-levels: cannot plot into %s (is gnuplot installed?)\n", path.c_str());
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return ok;
}
