// ShareTable: which token opens which shared sheet. One line per sheet in <share folder>/shares.tbl,
// written atomically; a damaged or hostile file loses only its damaged lines, and its original
// is kept beside it before the table is written again. No Qt: the server threads read it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace share {

/// One shared sheet: its token, its folder below the share folder and its pictures.
struct SharedSheet {
    std::string token;
    std::string folder; ///< a plain name (see isPlainName)
    int64_t created = 0; ///< seconds since the epoch
    std::vector<std::string> files; ///< plain names of full-size JPEGs; the first is the sheet
};

class ShareTable {
public:
    static constexpr const char* kFileName = "shares.tbl";
    static constexpr const char* kDamagedCopyName = "shares.tbl.damaged";
    /// Larger files are not read at all (nothing the booth writes comes near).
    static constexpr int64_t kMaxFileBytes = 16 << 20;
    static constexpr size_t kMaxFilesPerSheet = 64;
    static constexpr size_t kMaxLineBytes = 8192;

    struct LoadResult {
        bool ok = true; ///< false: the file exists but could not be read (error says why)
        int damagedLines = 0; ///< lines skipped as not being a valid entry
        std::string error;
    };
    /// Loads shareFolder's table. A missing file is an empty table. Damaged lines (bad shape,
    /// bad names, duplicate tokens, binary junk, overlong) are skipped and counted.
    LoadResult load(const std::string& shareFolder);
    /// Writes the table atomically. When the loaded file had damaged lines, it is first kept
    /// as shares.tbl.damaged so nothing it held is lost. False with *error on failure.
    bool save(const std::string& shareFolder, std::string* error = nullptr);

    /// The sheet whose token equals token. Every entry is compared in constant time, so the
    /// time taken tells nothing about how close a guess was. Null when none matches.
    const SharedSheet* find(std::string_view token) const;
    /// Adds a sheet; false when its token or names are not valid or the token is taken.
    bool add(SharedSheet sheet);
    const std::vector<SharedSheet>& sheets() const { return m_sheets; }
    /// The newest sheet by creation time (the last added among equals); null when empty.
    const SharedSheet* newest() const;

    /// The operator's event index token; empty until one is made.
    const std::string& indexToken() const { return m_indexToken; }
    /// Makes an index token when there is none. False when no random bytes could be had.
    bool ensureIndexToken();

    /// A file or folder name the table accepts: 1 to 64 of [A-Za-z0-9._-], not starting with a
    /// dot. Never a path.
    static bool isPlainName(std::string_view name);

private:
    std::vector<SharedSheet> m_sheets;
    std::string m_indexToken;
    std::string m_damagedOriginal; ///< the file as loaded when it had damaged lines
};

} // namespace share
