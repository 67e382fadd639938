#include "tools/levels/Gnuplot.h"

#include <cstdlib>
#include <fstream>

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

std::string Gnuplot::quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}
