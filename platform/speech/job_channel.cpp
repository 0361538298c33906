#include "job_channel.h"

#include <sapi.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/socket.h>

namespace speech {
namespace {

bool SendAll(int channel, const char* bytes, std::size_t count)
{
    while (count > 0) {
        ssize_t sent = send(channel, bytes, count, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes += sent;
        count -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Reads exactly `count` bytes into `bytes` from `at` on; false at the end of data.
bool ReceiveAll(int channel, std::string& bytes, std::size_t at, std::size_t count)
{
    bytes.resize(at + count);
    while (count > 0) {
        ssize_t got = recv(channel, bytes.data() + at, count, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        at += static_cast<std::size_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

bool SendJob(int channel, const std::string& encodedJob, int audio)
{
    // The descriptor travels with the first byte; the rest follows as plain data.
    char control[CMSG_SPACE(sizeof(int))] = {};
    iovec first{const_cast<char*>(encodedJob.data()), 1};
    msghdr message{};
    message.msg_iov = &first;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &audio, sizeof audio);
    ssize_t sent;
    do sent = sendmsg(channel, &message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == 1 && SendAll(channel, encodedJob.data() + 1, encodedJob.size() - 1);
}

JobReceipt ReceiveJob(int channel, std::string& encodedJob, win32::sys::UniqueFd& audio)
{
    encodedJob.assign(1, '\0');
    char control[CMSG_SPACE(sizeof(int))] = {};
    iovec first{encodedJob.data(), 1};
    msghdr message{};
    message.msg_iov = &first;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    do got = recvmsg(channel, &message, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    if (got == 0) return JobReceipt::End;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    if (got != 1 || !header || header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS
        || header->cmsg_len != CMSG_LEN(sizeof(int)))
        return JobReceipt::Broken;
    int fd;
    std::memcpy(&fd, CMSG_DATA(header), sizeof fd);
    audio = win32::sys::UniqueFd(fd);
    if (!ReceiveAll(channel, encodedJob, 1, kJobHeaderBytes - 1)) return JobReceipt::Broken;
    std::optional<std::size_t> size = EncodedJobSize(encodedJob);
    if (!size || !ReceiveAll(channel, encodedJob, kJobHeaderBytes, *size - kJobHeaderBytes)) return JobReceipt::Broken;
    return JobReceipt::Job;
}

bool SendOutcome(int channel, HRESULT outcome, std::string_view events)
{
    if (events.size() > kLargestEventBytes) return false;
    const std::int32_t code = outcome;
    const auto size = static_cast<std::uint32_t>(events.size());
    std::string bytes(reinterpret_cast<const char*>(&code), sizeof code);
    bytes.append(reinterpret_cast<const char*>(&size), sizeof size);
    bytes.append(events);
    return SendAll(channel, bytes.data(), bytes.size());
}

win32::Result<HRESULT, HRESULT> ReceiveOutcome(int channel, std::string* events)
{
    const win32::Failure workerGone{SPERR_ENGINE_FAILED};
    std::string bytes;
    if (!ReceiveAll(channel, bytes, 0, 2 * sizeof(std::int32_t))) return workerGone;
    std::int32_t code;
    std::uint32_t size;
    std::memcpy(&code, bytes.data(), sizeof code);
    std::memcpy(&size, bytes.data() + sizeof code, sizeof size);
    if (size > kLargestEventBytes || !ReceiveAll(channel, bytes, 0, size)) return workerGone;
    if (events) *events = std::move(bytes);
    return static_cast<HRESULT>(code);
}

}  // namespace speech
