#include "removal/helper/HelperChannel.h"

#include "removal/helper/HelperProtocol.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::size_t kChunkBytes = 65536;

void reject(HelperChannel::Request& request, std::string reason)
{
    if (request.rejection.empty())
        request.rejection = std::move(reason);
    std::vector<std::string>().swap(request.fields);
}

} // namespace

HelperChannel::HelperChannel(int input, int output)
    : m_input(input)
    , m_output(output)
{
}

std::optional<HelperChannel::Request> HelperChannel::readRequest()
{
    using namespace HelperProtocol;
    Request request;
    std::size_t bytes = 0;
    std::string field;
    while (true) {
        switch (readField(field)) {
        case FieldRead::Ended:
            return std::nullopt;
        case FieldRead::TooLong:
            reject(request, "a field longer than " + std::to_string(kMaxFieldBytes - 1) + " bytes");
            continue;
        case FieldRead::Field:
            break;
        }
        if (field.empty())
            return request;
        if (!request.rejection.empty())
            continue;
        bytes += field.size() + 1;
        // The first field names the tool; the bound counts the paths after it.
        if (request.fields.size() > kMaxPathsPerRequest)
            reject(request, "more than " + std::to_string(kMaxPathsPerRequest) + " paths");
        else if (bytes > kMaxRequestBytes)
            reject(request, "more than " + std::to_string(kMaxRequestBytes) + " bytes");
        else
            request.fields.push_back(std::move(field));
    }
}

HelperChannel::FieldRead HelperChannel::readField(std::string& field)
{
    while (true) {
        const std::size_t end = m_buffer.find('\0', m_position);
        if (end != std::string::npos) {
            field.assign(m_buffer, m_position, end - m_position);
            m_position = end + 1;
            return FieldRead::Field;
        }
        if (m_buffer.size() - m_position >= HelperProtocol::kMaxFieldBytes)
            return skipPastField() ? FieldRead::TooLong : FieldRead::Ended;
        if (!fill())
            return FieldRead::Ended;
    }
}

// Drops the field being read, however long, up to and with its NUL.
bool HelperChannel::skipPastField()
{
    while (true) {
        m_buffer.clear();
        m_position = 0;
        if (!fill())
            return false;
        const std::size_t end = m_buffer.find('\0');
        if (end != std::string::npos) {
            m_position = end + 1;
            return true;
        }
    }
}

bool HelperChannel::fill()
{
    m_buffer.erase(0, m_position);
    m_position = 0;
    const std::size_t kept = m_buffer.size();
    m_buffer.resize(kept + kChunkBytes);
    while (true) {
        const ssize_t count = ::read(m_input, m_buffer.data() + kept, kChunkBytes);
        if (count > 0) {
            m_buffer.resize(kept + std::size_t(count));
            return true;
        }
        if (count < 0 && errno == EINTR)
            continue;
        m_buffer.resize(kept);
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
