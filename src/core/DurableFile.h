#pragma once

#include <string>
#include <string_view>

// Replaces a file so that after a crash, a power cut or a full disk it holds either its
// old or its new contents, never a part: the new contents go to a temporary file in the
// same folder and are forced to the disk (fsync) before the temporary file is renamed
// over the target, and the folder is forced to the disk after the rename so that the
// rename itself survives a power cut. On Windows the file is flushed and moved over the
// target with write-through. Writing and renaming are separate steps, so that a caller
// replacing two files (a table and its ".bak" copy) writes both before it renames either.
namespace tavo {

class DurableFile {
public:
    // `target` is a UTF-8 path.
    explicit DurableFile(std::string target);
    // Removes the temporary file unless it was committed.
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Writes `content` to a new temporary file beside the target and forces it to the
    // disk. The temporary file takes the permissions of `permissionsOf` when that is an
    // existing regular file (normally the target itself). False with error() on failure;
    // the temporary file is then gone and the target untouched.
    bool write(std::string_view content, const std::string& permissionsOf);
    // Renames the written temporary file over the target and forces the folder to the
    // disk. False with error() on failure; the target then still holds its old contents,
    // or, when only the folder could not be forced, already the new ones. After a rename
    // it removes the target's temporary files that a replace stopped between its write
    // and its rename (a killed process, a power cut) left behind, once they are a minute
    // old: a younger one may belong to a replace still under way in another program.
    bool commit();

    // The name of the file whose temporary file `name` would be (names without their
    // folder), or an empty text when `name` does not have the form of a temporary name.
    static std::string_view targetOfTemporary(std::string_view name);

    // Why the last step failed, for the operator.
    const std::string& error() const { return m_error; }

private:
    std::string m_target;
    std::string m_temporary;
    bool m_written = false;
    std::string m_error;
};

}  // namespace tavo
