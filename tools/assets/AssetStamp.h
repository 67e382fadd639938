#pragma once
#include <map>
#include <string>

// What kiv-assets made in a folder, kept beside the files in ".kiv-assets": for every file it wrote, a hash of
// the file as written and the generator that wrote it (a hash of the kiv-assets program itself). A file whose
// bytes no longer match its record, or that has none, is someone else's and is never touched.
class AssetStamp {
public:
    static constexpr const char* kFileName = ".kiv-assets";

    // Reads the stamp of `dir`; an absent or unreadable stamp records nothing.
    explicit AssetStamp(std::string dir);

    // Whether `name` in the folder still holds exactly the bytes recorded for it.
    bool madeHere(const std::string& name) const;
    // The generator recorded for `name`; empty when none is.
    std::string generatorOf(const std::string& name) const;
    // Records `name`, as it now is in the folder, as made by `generator`.
    void record(const std::string& name, const std::string& generator);
    // Writes the stamp in one step (a new file renamed over the old). False after a line on stderr.
    bool save() const;

private:
    struct Entry {
        std::string hash;
        std::string generator;
    };
    std::string dir_;
    std::map<std::string, Entry> files_;
};

// A 64-bit FNV-1a hash of the file's bytes as 16 hex digits; empty when it cannot be read.
std::string fileHash(const std::string& path);
