#include "tools/levels/Gnuplot.h"

#include <cstdlib>
#include <fstream>
#include <string>

Gnuplot::Gnuplot()
{
    char pattern[] = "/tmp/kiv-plot-XXXXXX";
    if (mkdtemp(pattern)) dir_ = pattern;
}

Gnuplot::~Gnuplot()
{
    std::error_code ignored;
    if (ok()) std::filesystem::remove_all(dir_, ignored);
}

bool Gnuplot::run(const std::string& script) const
{
    const std::filesystem::path path = file("plot.gp");
    std::ofstream out(path);
    out << script;
    out.close();
    return ok() && out && std::system(("gnuplot " + quoted(path.string()) + " 2>&1").c_str()) == 0;
}

std::string Gnuplot::multiplot(const std::string& png, int width, int rowHeight, size_t rows)
{
    // libgd's terminal writes an indexed-colour PNG: a tenth of the size of a cairo one for such curves.
    return "set terminal png size " + std::to_string(width) + "," + std::to_string(rowHeight * rows + 40) +
           " font 'sans,9' noenhanced\nset output " + quoted(png) + "\nset multiplot layout " +
           std::to_string(rows) + ",1\nset tmargin 1.5\nset bmargin 1.5\n" +
           "set grid xtics ytics lc rgb '#dddddd'\nset key inside left top horizontal opaque\n";
}

std::string Gnuplot::rowStart(size_t row, const std::string& title)
{
    return std::string(row == 1 ? "unset key\n" : "") + "set title " + quoted(title) + " offset 0,-0.8\n";
}

std::string Gnuplot::quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}
