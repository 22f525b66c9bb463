#pragma once

#include <string>

namespace qv {

// Replaces the file at path with bytes so that readers see either the old file or the new one,
// never a part: the bytes go to a new temporary file in the target's directory, which is flushed
// and closed and then renamed over the target. On any failure the temporary file is removed and
// an older file stays as it was.
// Returns 0 on success, otherwise INI_ERR_ACCESS_DENIED (the target exists and cannot be written,
// or its directory does not take new files), INI_ERR_DISK_FULL, INI_ERR_OUT_OF_MEMORY or
// INI_ERR_OTHER_OUTPUT (values of IniResult).
int writeFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace qv
