#pragma once
// Standard output in large blocks: lines collect in one buffer that is written out once
// it holds about a mebibyte, and at the end. A reader that goes away (EPIPE) ends the
// output quietly; any other write failure is kept for the caller to report.
#include <string>

namespace trawlix {

class TOutput {
 public:
  TOutput(int fd, bool crlf);

  // The line being built: append its bytes here, then call EndLine.
  std::string& Buffer() { return buffer_; }
  void EndLine();
  // Writes whatever the buffer holds.
  void Flush();

  // Nothing more will be written: the reader has gone or a write failed.
  bool Stopped() const { return stopped_; }
  // The error number of a failed write (not EPIPE), or 0.
  int Error() const { return error_; }

 private:
  int fd_;
  const char* lineEnd_;
  std::string buffer_;
  bool stopped_ = false;
  int error_ = 0;
};

}  // namespace trawlix
