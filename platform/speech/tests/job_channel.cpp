#include "job_channel.h"

#include "wave_format.h"

#include <sapi.h>
#include <winbase.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace speech {
namespace {

struct Channel {
    Channel()
    {
        int ends[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        engine = win32::sys::UniqueFd(ends[0]);
        worker = win32::sys::UniqueFd(ends[1]);
    }
    win32::sys::UniqueFd engine, worker;
};

RenderJob SampleJob(std::string text)
{
    RenderJob job;
    job.voice = "gmw/en";
    job.style.rate = 3;
    job.gain = 5000;
    job.format = NativeFormat();
    job.text = std::move(text);
    return job;
}

TEST(JobChannel, JobsTravelWithTheirAudioDescriptorAndOutcomesComeBack)
{
    Channel channel;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    win32::sys::UniqueFd readEnd(pipeEnds[0]), writeEnd(pipeEnds[1]);
    // Two jobs in a row, the second larger than a socket's buffer would take at once.
    const std::string first = EncodeJob(SampleJob("first piece")), second = EncodeJob(SampleJob(std::string(300000, 'w')));
    for (const std::string* sent : {&first, &second}) {
        std::thread sender([&] { EXPECT_TRUE(SendJob(channel.engine.get(), *sent, writeEnd.get())); });
        std::string received;
        win32::sys::UniqueFd audio;
        EXPECT_EQ(ReceiveJob(channel.worker.get(), received, audio), JobReceipt::Job);
        sender.join();
        EXPECT_EQ(received, *sent);
        // The descriptor received is the pipe's writing end.
        ASSERT_EQ(write(audio.get(), "x", 1), 1);
        char byte = 0;
        EXPECT_EQ(read(readEnd.get(), &byte, 1), 1);
        EXPECT_EQ(byte, 'x');
        EXPECT_TRUE(SendOutcome(channel.worker.get(), HRESULT_FROM_WIN32(ERROR_DISK_FULL)));
        EXPECT_EQ(ReceiveOutcome(channel.engine.get()).value(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
        // A piece's events come with its outcome, whole, and leave the channel clean.
        const std::string events(100000, 'e');
        std::thread telling([&] { EXPECT_TRUE(SendOutcome(channel.worker.get(), S_OK, events)); });
        std::string told;
        EXPECT_EQ(ReceiveOutcome(channel.engine.get(), &told).value(), S_OK);
        telling.join();
        EXPECT_EQ(told, events);
        EXPECT_TRUE(SendOutcome(channel.worker.get(), S_FALSE));
        EXPECT_EQ(ReceiveOutcome(channel.engine.get(), &told).value(), S_FALSE);
        EXPECT_EQ(told, "");
    }
    channel.engine.Reset();
    std::string received;
    win32::sys::UniqueFd audio;
    EXPECT_EQ(ReceiveJob(channel.worker.get(), received, audio), JobReceipt::End);
}

TEST(JobChannel, AWorkerThatIsGoneGivesNoOutcomeAndTakesNoJob)
{
    Channel channel;
    channel.worker.Reset();
    const auto outcome = ReceiveOutcome(channel.engine.get());
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.failure(), SPERR_ENGINE_FAILED);
    EXPECT_FALSE(SendJob(channel.engine.get(), EncodeJob(SampleJob("x")), channel.engine.get()));
}

TEST(JobChannel, AJobComesBackAsItWasSentWithWhereItStandsInAnEncodedFile)
{
    RenderJob job = SampleJob("this piece");
    job.style.pitch = -2;
    job.container = AudioContainer::Opus;
    job.hasPrevious = true;
    job.hasNext = true;
    job.nextText = "the next piece";
    std::optional<RenderJob> decoded = DecodeJob(EncodeJob(job));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->voice, job.voice);
    EXPECT_EQ(decoded->style.rate, 3);
    EXPECT_EQ(decoded->style.pitch, -2);
    EXPECT_EQ(decoded->gain, 5000);
    EXPECT_EQ(decoded->container, AudioContainer::Opus);
    EXPECT_FALSE(decoded->startsFile);
    EXPECT_TRUE(decoded->hasPrevious);
    EXPECT_TRUE(decoded->hasNext);
    EXPECT_EQ(decoded->text, "this piece");
    EXPECT_EQ(decoded->nextText, "the next piece");
    std::string unknownContainer = EncodeJob(job);
    unknownContainer[48] = 99;  // the container's field
    EXPECT_FALSE(DecodeJob(unknownContainer));
}

TEST(JobChannel, BytesThatAreNoJobAreBroken)
{
    std::string job = EncodeJob(SampleJob("a piece of text"));
    std::string wrongMagic = job;
    wrongMagic[0] ^= 0x55;
    std::string huge = job;
    std::uint32_t textBytes = kLargestJobBytes;
    std::memcpy(huge.data() + kJobHeaderBytes - sizeof textBytes, &textBytes, sizeof textBytes);
    struct Case {
        const char* what;
        std::string bytes;
        bool withDescriptor;
    } cases[] = {
        {"no descriptor", job, false},
        {"cut short", job.substr(0, job.size() - 1), true},
        {"cut in the header", job.substr(0, kJobHeaderBytes / 2), true},
        {"not a job", wrongMagic, true},
        {"too large", huge, true},
    };
    for (const Case& c : cases) {
        Channel channel;
        if (c.withDescriptor) {
            ASSERT_TRUE(SendJob(channel.engine.get(), c.bytes, STDERR_FILENO));
        } else {
            ASSERT_EQ(send(channel.engine.get(), c.bytes.data(), c.bytes.size(), 0), ssize_t(c.bytes.size()));
        }
        channel.engine.Reset();  // nothing more comes
        std::string received;
        win32::sys::UniqueFd audio;
        EXPECT_EQ(ReceiveJob(channel.worker.get(), received, audio), JobReceipt::Broken) << c.what;
    }
}

}  // namespace
}  // namespace speech
