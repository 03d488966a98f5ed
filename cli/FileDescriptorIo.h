#pragma once

#include <string>
#include <string_view>

namespace quillveil {

/// Reads everything from `fd` until end of file into `contents`, bytes as they come.
/// Returns 0, or the errno of the failed read.
int ReadAll(int fd, std::string& contents);

/// Writes all of `bytes` to `fd` straight from the caller's buffer, without a stream buffer
/// in between. Returns 0, or the errno of the failed write.
int WriteAll(int fd, std::string_view bytes);

/// Standard output for a command's report: keeps the first write error (a full disk, a
/// closed pipe) and writes nothing after it, so the command can end with it.
class ReportOutput {
public:
    /// False once a write failed.
    bool Write(std::string_view text);
    /// 0, or the errno of the write that failed.
    int Error() const { return m_error; }
    /// The command's exit status: `status`, or 2 with a message when a write failed.
    int Finish(int status) const;

private:
    int m_error = 0;
};

} // namespace quillveil
