#pragma once
#include <filesystem>
#include <string>

// One gnuplot run: a private folder under /tmp for its data files, removed with the object, and the script
// run by the gnuplot on PATH. kiv-levels and kiv-flashcheck draw their PNGs this way.
class Gnuplot {
public:
    Gnuplot();
    ~Gnuplot();
    Gnuplot(const Gnuplot&) = delete;
    Gnuplot& operator=(const Gnuplot&) = delete;

    bool ok() const { return !dir_.empty(); }
    // A path for a data file in the folder.
    std::filesystem::path file(const std::string& name) const { return dir_ / name; }
    // Writes `script` into the folder and runs gnuplot on it; false when gnuplot is missing or fails.
    bool run(const std::string& script) const;

    // The start of a script drawing `rows` plots one above the other into the PNG `png`, each `rowHeight`
    // pixels high; the script goes on with settings and, per row, rowStart() and a plot command.
    static std::string multiplot(const std::string& png, int width, int rowHeight, size_t rows);
    // Before row `row`'s plot command: its title; the first row's key serves all.
    static std::string rowStart(size_t row, const std::string& title);

    // `text` as a gnuplot string: in single quotes, where only a quote needs escaping (by doubling it).
    static std::string quoted(const std::string& text);

private:
    std::filesystem::path dir_;
};
