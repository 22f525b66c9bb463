#include "files/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

#include "files/IniDocument.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

int resultFor(const std::error_code& error) {
    const std::error_condition condition = error.default_error_condition();
    if (condition == std::errc::permission_denied ||
        condition == std::errc::operation_not_permitted ||
        condition == std::errc::read_only_file_system || condition == std::errc::is_a_directory) {
        return INI_ERR_ACCESS_DENIED;
    }
    if (condition == std::errc::no_space_on_device || condition == std::errc::file_too_large) {
        return INI_ERR_DISK_FULL;
    }
#ifdef EDQUOT
    if (condition == std::error_condition(EDQUOT, std::generic_category())) {
        return INI_ERR_DISK_FULL;
    }
#endif
    if (condition == std::errc::not_enough_memory) {
        return INI_ERR_OUT_OF_MEMORY;
    }
    return INI_ERR_OTHER_OUTPUT;
}

int resultForErrno(int error) {
    return resultFor(std::error_code(error, std::generic_category()));
}

// Opening for update without truncation answers "can this file be written" truthfully for the
// current user, which a look at the permission bits does not (an administrator may write a
// read-only file; a file may be locked by another program).
bool existingFileIsWritable(const fs::path& target) {
    std::FILE* probe = std::fopen(target.string().c_str(), "r+b");
    if (probe == nullptr) {
        return false;
    }
    std::fclose(probe);
    return true;
}

// A name that no other writer in this or another process picks at the same moment; the open
// below is exclusive anyway, so a clash only costs another try.
fs::path temporaryNameFor(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    fs::path name = target;
    name += ".~" + std::to_string(ticks % 1000000007ULL) + "-" + std::to_string(counter++) + "-" +
            std::to_string(attempt) + ".tmp";
    return name;
}

}  // namespace

int writeFileAtomically(const std::string& path, const std::string& bytes) {
    try {
        const fs::path target(path);
        if (path.empty() || !target.has_filename()) {
            return INI_ERR_OTHER_OUTPUT;
        }

        std::error_code ec;
        const fs::file_status targetStatus = fs::status(target, ec);
        const bool targetExists = fs::exists(targetStatus);
        if (targetExists && (fs::is_directory(targetStatus) || !existingFileIsWritable(target))) {
            return INI_ERR_ACCESS_DENIED;
        }

        fs::path temporary;
        std::FILE* out = nullptr;
        for (unsigned attempt = 0; attempt < 100 && out == nullptr; ++attempt) {
            temporary = temporaryNameFor(target, attempt);
            errno = 0;
            out = std::fopen(temporary.string().c_str(), "wbx");
            if (out == nullptr && errno != EEXIST) {
                return resultForErrno(errno);
            }
        }
        if (out == nullptr) {
            return INI_ERR_OTHER_OUTPUT;
        }

        int result = 0;
        errno = 0;
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
            result = resultForErrno(errno);
        }
        if (result == 0) {
            errno = 0;
            if (std::fflush(out) != 0) {
                result = resultForErrno(errno);
            }
        }
        errno = 0;
        // Some file systems report a failed write only when the file is closed.
        if (std::fclose(out) != 0 && result == 0) {
            result = resultForErrno(errno);
        }

        if (result == 0 && targetExists) {
            // Keep the old file's permissions; failing to is not worth losing the new content.
            fs::permissions(temporary, targetStatus.permissions(), ec);
        }
        if (result == 0) {
            fs::rename(temporary, target, ec);
            if (ec) {
                result = resultFor(ec);
            }
        }
        if (result != 0) {
            fs::remove(temporary, ec);
        }
        return result;
    } catch (const std::bad_alloc&) {
        return INI_ERR_OUT_OF_MEMORY;
    } catch (const std::exception&) {
        return INI_ERR_OTHER_OUTPUT;
    }
}

}  // namespace qv
