#pragma once
// The process's limit on open files. A desktop session's soft limit is often 1024, far
// below what the system would grant, so programs that open many files raise it.
namespace trawlix {

// Raises the soft limit on open files to the hard limit; where that is refused, the
// limit stays as it was.
void RaiseOpenFileLimit();

}  // namespace trawlix
