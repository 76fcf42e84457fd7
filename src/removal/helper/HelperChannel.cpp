#include "removal/helper/HelperChannel.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

HelperChannel::HelperChannel(int input, int output)
    : m_input(input)
    , m_output(output)
{
}

std::optional<std::vector<std::string>> HelperChannel::readRequest()
{
    std::vector<std::string> fields;
    std::size_t total = 0;
    while (true) {
        std::optional<std::string> field = readField();
        if (!field)
            return std::nullopt;
        if (field->empty())
            return fields;
        total += field->size() + 1;
        if (total > kMaxRequestSize)
            return std::nullopt;
        fields.push_back(std::move(*field));
    }
}

std::optional<std::string> HelperChannel::readField()
{
    while (true) {
        const std::size_t end = m_buffer.find('\0', m_position);
        if (end != std::string::npos) {
            std::string field = m_buffer.substr(m_position, end - m_position);
            m_position = end + 1;
            return field;
        }
        if (m_buffer.size() - m_position > kMaxFieldSize)
            return std::nullopt;
        if (!fill())
            return std::nullopt;
    }
}

bool HelperChannel::fill()
{
    m_buffer.erase(0, m_position);
    m_position = 0;
    char chunk[65536];
    while (true) {
        const ssize_t count = ::read(m_input, chunk, sizeof chunk);
        if (count > 0) {
            m_buffer.append(chunk, std::size_t(count));
            return true;
        }
        if (count < 0 && errno == EINTR)
            continue;
        return false;
    }
}

bool HelperChannel::writeRecord(std::string_view tag, std::string_view payload)
{
    std::string record;
    record.reserve(tag.size() + payload.size() + 24);
    record.append(tag);
    record.push_back(' ');
    record.append(std::to_string(payload.size()));
    record.push_back('\n');
    record.append(payload);

    const char* data = record.data();
    std::size_t left = record.size();
    while (left > 0) {
        const ssize_t count = ::write(m_output, data, left);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += count;
        left -= std::size_t(count);
    }
    return true;
}
