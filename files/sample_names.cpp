#include "files/sample_names.h"

#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "files/case_folding.h"
#include "files/utf8.h"

namespace tamboro {

namespace {

// File: a regular file; Any: anything that exists.
enum class EntryKind { Folder, File, Any };

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

bool hasKind(const std::filesystem::path& path, EntryKind kind) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    switch (kind) {
    case EntryKind::Folder:
        return S_ISDIR(info.st_mode);
    case EntryKind::File:
        return S_ISREG(info.st_mode);
    case EntryKind::Any:
        break;
    }
    return true;
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

// The entry of `folder` called `part`, of the kind wanted: exactly, or else
// the first in byte order of those equal to it without regard to case.
std::optional<std::filesystem::path> findEntry(const std::filesystem::path& folder,
                                               const std::string& part, EntryKind kind) {
    std::filesystem::path exact = folder / part;
    if (hasKind(exact, kind))
        return exact;
    const std::filesystem::path listed = folder.empty() ? std::filesystem::path(".") : folder;
    const std::unique_ptr<DIR, FolderCloser> entries(::opendir(listed.c_str()));
    if (!entries)
        return std::nullopt;
    const std::u32string wanted = foldedName(part);
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || (best && name >= *best))
            continue;
        if (foldedName(name) == wanted && hasKind(folder / name, kind))
            best = std::string(name);
    }
    if (!best)
        return std::nullopt;
    return folder / *best;
}

// Every part but the last names a folder; the last one an entry of `last`.
std::optional<std::filesystem::path> resolveParts(const std::filesystem::path& folder,
                                                  const std::vector<std::string>& parts,
                                                  EntryKind last) {
    std::filesystem::path current = folder;
    for (size_t i = 0; i < parts.size(); ++i) {
        const EntryKind kind = i + 1 == parts.size() ? last : EntryKind::Folder;
        std::optional<std::filesystem::path> next = findEntry(current, parts[i], kind);
        if (!next)
            return std::nullopt;
        current = std::move(*next);
    }
    return current;
}

std::optional<std::vector<std::string>> partsInsideFolder(std::string_view name) {
    if (name.empty() || name.front() == '\\' || name.front() == '/')
        return std::nullopt;
    std::vector<std::string> parts = nameParts(name);
    if (parts.empty())
        return std::nullopt;
    for (const std::string& part : parts) {
        if (part == "." || part == "..")
            return std::nullopt;
    }
    return parts;
}

// The name as it stands, then converted from Windows-1252 when it is not
// valid UTF-8.
std::optional<std::filesystem::path> resolveName(const std::filesystem::path& folder,
                                                 std::string_view name, EntryKind last) {
    const std::optional<std::vector<std::string>> parts = partsInsideFolder(name);
    if (!parts)
        return std::nullopt;
    if (std::optional<std::filesystem::path> found = resolveParts(folder, *parts, last))
        return found;
    if (isValidUtf8(name))
        return std::nullopt;
    const std::optional<std::vector<std::string>> converted =
        partsInsideFolder(windows1252ToUtf8(name));
    if (!converted)
        return std::nullopt;
    return resolveParts(folder, *converted, last);
}

}  // namespace

std::optional<std::filesystem::path> resolveSampleName(const std::filesystem::path& folder,
                                                       std::string_view name) {
    return resolveName(folder, name, EntryKind::File);
}

std::optional<OtherEntry> findOtherEntry(const std::filesystem::path& folder, std::string_view name) {
    std::optional<std::filesystem::path> found = resolveName(folder, name, EntryKind::Any);
    if (!found)
        return std::nullopt;
    const FileKind kind = fileKindAt(*found);
    if (kind == FileKind::Regular)
        return std::nullopt;
    return OtherEntry{std::move(*found), kind};
}

}  // namespace tamboro
