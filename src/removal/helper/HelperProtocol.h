#pragma once

#include <cstddef>
#include <string_view>

// The conversation between Velmora and velmora-remove-helper, which runs as the
// superuser behind pkexec and talks over its standard input and output only.
//
// Request (Velmora -> helper): the tool, then every path, each field ended by a
// NUL byte; an empty field ends the request. NUL is the one byte a path cannot
// hold, so any path passes unchanged, newlines and quotes included.
//
//     "/bin/rm" NUL "/var/log/a.log" NUL "/var/log/b.log" NUL NUL
//
// A request of no fields at all (a lone NUL) asks whether the helper still
// runs; it is answered with "done" and status 0.
//
// Reply (helper -> Velmora): records, each a header line "<tag> <length>\n"
// followed by exactly <length> bytes of payload. The length prefix keeps any
// bytes the tools print (not UTF-8, NULs, newlines) apart from the framing.
//
//     ready     sent once, before the first request: the helper runs and has
//               loaded the folders it may remove from; payload: kVersion
//     refused   a path left alone; payload: reason NUL path
//     out, err  what a run of the tool wrote to its standard output or error
//     done      ends the reply; payload: the exit status in decimal, 0 when
//               every run of the tool succeeded, else the first failing one's
//     rejected  ends the reply of a request refused whole (a tool other than
//               the two below, or a request beyond the bounds below);
//               payload: the reason
//
// The helper ends when its standard input closes: that is how Velmora gives the
// authorisation up, since it cannot signal a process that runs as root.
namespace HelperProtocol {

inline constexpr std::string_view kVersion = "1";

inline constexpr std::string_view kReady = "ready";
inline constexpr std::string_view kRefused = "refused";
inline constexpr std::string_view kOutput = "out";
inline constexpr std::string_view kErrorOutput = "err";
inline constexpr std::string_view kDone = "done";
inline constexpr std::string_view kRejected = "rejected";

inline constexpr std::string_view kRemoveFileTool = "/bin/rm";
inline constexpr std::string_view kRemoveFolderTool = "/bin/rmdir";

// The bounds of one request. Velmora splits longer lists into several
// requests; the helper refuses a request beyond them whole, with a "rejected"
// reply, without holding more of it than one field at a time.
inline constexpr std::size_t kMaxPathsPerRequest = 100000;
inline constexpr std::size_t kMaxFieldBytes = 4096; // PATH_MAX, with the NUL
inline constexpr std::size_t kMaxRequestBytes = 16 * 1024 * 1024;

// Read only by a helper without the superuser's rights (tests): the folder of
// the definition files, and resolving paths as on kernels without openat2.
inline constexpr const char* kDefinitionsVariable = "VELMORA_HELPER_DEFINITIONS";
inline constexpr const char* kWithoutOpenat2Variable = "VELMORA_HELPER_WITHOUT_OPENAT2";

} // namespace HelperProtocol
