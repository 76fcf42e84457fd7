#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads requests from and writes reply records to the two descriptors that
// connect the helper to Velmora, in the framing of HelperProtocol.h.
class HelperChannel final {
public:
    // A single field longer than this, or a request larger in total, is not a
    // request Velmora sends; the helper then stops instead of growing without bound.
    static constexpr std::size_t kMaxFieldSize = 64 * 1024;
    static constexpr std::size_t kMaxRequestSize = 512 * 1024 * 1024;

    HelperChannel(int input, int output);
    HelperChannel(const HelperChannel&) = delete;
    HelperChannel& operator=(const HelperChannel&) = delete;

    // The fields of the next request, without the empty field that ends it.
    // Nothing when the input ended, cleanly or in the middle of a request, or
    // broke the size limits.
    std::optional<std::vector<std::string>> readRequest();

    // False when Velmora can no longer be reached.
    bool writeRecord(std::string_view tag, std::string_view payload);

private:
    std::optional<std::string> readField();
    bool fill();

    int m_input;
    int m_output;
    std::string m_buffer;
    std::size_t m_position = 0;
};
