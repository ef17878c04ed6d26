#pragma once
// The counts gensite writes beside a site (gensite.txt: "key value" lines),
// which the benchmarks check their results against.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

inline std::map<std::string, std::string> readManifest(const std::filesystem::path &site)
{
    std::map<std::string, std::string> values;
    std::ifstream in(site / "gensite.txt");
    std::string key, value;
    while (in >> key >> value)
        values[key] = value;
    return values;
}
