#include "files/sample_names.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>
#include <vector>

namespace tamboro {

namespace {

std::vector<std::string> nameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::string part;
    for (char ch : name) {
        if (ch == '\\' || ch == '/') {
            if (!part.empty())
                parts.push_back(std::move(part));
            part.clear();
        } else {
            part += ch;
        }
    }
    if (!part.empty())
        parts.push_back(std::move(part));
    return parts;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The entry of `folder` called `part`, exactly or else in any case.
std::optional<std::filesystem::path> findEntry(const std::filesystem::path& folder,
                                               const std::string& part) {
    std::error_code error;
    const std::filesystem::path exact = folder / part;
    if (std::filesystem::exists(exact, error))
        return exact;
    std::filesystem::directory_iterator it(folder, error);
    if (error)
        return std::nullopt;
    for (const auto& entry : it) {
        if (equalIgnoringCase(entry.path().filename().string(), part))
            return entry.path();
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> resolveSampleName(const std::filesystem::path& folder,
                                                       std::string_view name) {
    if (name.empty() || name.front() == '\\' || name.front() == '/')
        return std::nullopt;
    const std::vector<std::string> parts = nameParts(name);
    if (parts.empty())
        return std::nullopt;
    std::filesystem::path current = folder;
    for (const std::string& part : parts) {
        if (part == "." || part == ".." || part.find(':') != std::string::npos)
            return std::nullopt;
        std::optional<std::filesystem::path> next = findEntry(current, part);
        if (!next)
            return std::nullopt;
        current = std::move(*next);
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(current, error))
        return std::nullopt;
    return current;
}

}  // namespace tamboro
