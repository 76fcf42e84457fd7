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
    struct Request {
        std::vector<std::string> fields; // without the empty field that ends the request
        std::string rejection; // why the request is refused whole; its fields are then dropped
    };

    HelperChannel(int input, int output);
    HelperChannel(const HelperChannel&) = delete;
    HelperChannel& operator=(const HelperChannel&) = delete;

    // The next request; nothing when the input ended, cleanly or in the middle
    // of a request. A request beyond the bounds of HelperProtocol.h is read to
    // its end without being kept, so whatever is sent the helper holds at most
    // one request within the bounds and one field.
    std::optional<Request> readRequest();

    // False when Velmora can no longer be reached.
    bool writeRecord(std::string_view tag, std::string_view payload);

private:
    enum class FieldRead { Field, TooLong, Ended };

    FieldRead readField(std::string& field);
    bool skipPastField();
    bool fill();

    int m_input;
    int m_output;
    std::string m_buffer;
    std::size_t m_position = 0;
};
