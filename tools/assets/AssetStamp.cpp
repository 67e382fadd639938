#include "tools/assets/AssetStamp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;
}

std::string fileHash(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "";
    uint64_t hash = kFnvOffset;
    unsigned char block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        for (size_t i = 0; i < n; ++i) hash = (hash ^ block[i]) * kFnvPrime;
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok) return "";
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

AssetStamp::AssetStamp(std::string dir) : dir_(std::move(dir))
{
    std::ifstream in(dir_ + "/" + kFileName);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        Entry entry;
        if (fields >> name >> entry.hash >> entry.generator) files_[name] = entry;
    }
}

bool AssetStamp::madeHere(const std::string& name) const
{
    const auto it = files_.find(name);
    return it != files_.end() && it->second.hash == fileHash(dir_ + "/" + name);
}

std::string AssetStamp::generatorOf(const std::string& name) const
{
    const auto it = files_.find(name);
    return it == files_.end() ? std::string() : it->second.generator;
}

void AssetStamp::record(const std::string& name, const std::string& generator)
{
    files_[name] = Entry{fileHash(dir_ + "/" + name), generator};
}

bool AssetStamp::save() const
{
    const std::string path = dir_ + "/" + kFileName;
    const std::string fresh = path + ".new";
    {
        std::ofstream out(fresh, std::ios::trunc);
        out << "# Written by kiv-assets: the files it made here, so that it remakes only those and never yours.\n"
            << "# file, hash of its bytes, hash of the kiv-assets that made it\n";
        for (const auto& [name, entry] : files_) out << name << " " << entry.hash << " " << entry.generator << "\n";
        out.close();
        if (!out) {
            std::fprintf(stderr, "kiv-assets: cannot write %s\n", fresh.c_str());
            std::remove(fresh.c_str());
            return false;
        }
    }
    if (std::rename(fresh.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "kiv-assets: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        std::remove(fresh.c_str());
        return false;
    }
    return true;
}
