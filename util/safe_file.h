#pragma once
// Writing and reading user files so that a fault never destroys or half-writes one.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// What happened to a file operation; `error_number` is the system's errno where one applies.
struct file_outcome {
    enum code_type {
        ok,
        not_found,        // the file, or the folder it should go into, does not exist
        is_folder,        // a folder where a file is meant
        not_a_file,       // a device, pipe or socket where a file is written
        read_only,        // an existing file we may not (or should not) replace
        no_access,        // a folder or file we may not enter or read
        name_too_long,
        too_large,        // a read stopped at its size bound
        system_error,     // any other failure of a call, see error_number
    };
    code_type code = ok;
    int error_number = 0;

    explicit operator bool() const { return code == ok; }
    // One short English phrase for messages, e.g. "is a folder" or "cannot write: No space left on device".
    std::string Describe() const;
};

// Replaces `target` by `bytes` through a uniquely named temporary file in the same folder
// (`name.tmp.XXXXXX`), checked writes, fsync and one rename, so the old content stays whole
// until the new one is complete. A symlink is written through to the file it names; folders,
// devices, pipes and read-only files are refused untouched. An existing file keeps its permissions.
file_outcome SafeSave(const std::filesystem::path& target, std::string_view bytes);

// The refusals of SafeSave, checked without writing (so a long job can stop before it starts).
file_outcome CheckSaveTarget(const std::filesystem::path& target);

// The largest list file we read; a longer one (or an endless device) is refused.
inline constexpr size_t kListFileSizeLimit = size_t{256} << 20;

// Reads a whole file, at most `limit` bytes; folders and unreadable paths give their outcome.
file_outcome ReadWholeFile(const std::filesystem::path& path, std::string& bytes,
                           size_t limit = kListFileSizeLimit);

// True when both paths name the same existing file (device and inode), or the same canonical path.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The text with control characters shown as escapes (\n, \t, \x1B, \u009B), safe to print on a terminal.
std::string EscapeControls(std::string_view text);
