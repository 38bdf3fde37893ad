#include "device/DeviceFrame.h"
#include "device/FrameAssembler.h"
#include "device/RecordingChunkScanner.h"

#include <gtest/gtest.h>

#include <random>

using namespace tamberlink;

namespace {

using Frames = std::vector<FrameBytes>;

Frames Assemble(FrameAssembler& assembler, const FrameBytes& bytes) {
    Frames frames;
    assembler.Feed(bytes.data(), bytes.size(), [&](const std::uint8_t* frame, std::size_t size) {
        frames.emplace_back(frame, frame + size);
    });
    return frames;
}

struct Scanned {
    Frames frames;
    FrameBytes samples;
};

Scanned Scan(RecordingChunkScanner& scanner, const FrameBytes& chunk) {
    Scanned out;
    scanner.Scan(
        chunk.data(), chunk.size(),
        [&](const std::uint8_t* frame, std::size_t size) {
            out.frames.emplace_back(frame, frame + size);
        },
        [&](const std::uint8_t* samples, std::size_t n) {
            out.samples.insert(out.samples.end(), samples, samples + n);
        });
    return out;
}

FrameBytes Bytes(std::initializer_list<int> values) {
    FrameBytes out;
    for (int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

} // namespace

TEST(DeviceFrame, BuildsTheOutgoingFramesByteExact) {
    EXPECT_EQ(frame::Command(frame::kHangUp), Bytes({0xA5, 0x11, 0x04, 0x55}));
    EXPECT_EQ(*frame::LandlineDial(1, "9013800000000"),
              Bytes({0xA5, 0xFF, 0x12, 0x31, 0x39, 0x30, 0x31, 0x33, 0x38, 0x30, 0x30, 0x30, 0x30,
                     0x30, 0x30, 0x30, 0x30, 0x55}));
    EXPECT_EQ(*frame::PhoneDial("10086"), Bytes({0xA6, 0x03, 0x09, '1', '0', '0', '8', '6', 0x55}));
    EXPECT_EQ(*frame::TextFrame(frame::kStoreAreaCode, "020"),
              Bytes({0xA5, 0x60, 0x07, '0', '2', '0', 0x55}));

    // Texts fill the 32-byte buffer at most.
    EXPECT_TRUE(frame::LandlineDial(0, QString(27, '1')));
    EXPECT_FALSE(frame::LandlineDial(0, QString(28, '1')));
    EXPECT_TRUE(frame::PhoneDial(QString(28, '1')));
    EXPECT_FALSE(frame::PhoneDial(QString(29, '1')));
    EXPECT_FALSE(frame::LandlineDial(10, "12345678901"));
}

TEST(DeviceFrame, SplitsSmsTextIntoHexPartsOfFiveUnits) {
    const auto parts = frame::SmsParts(frame::kSmsContent, "abcdef");
    ASSERT_EQ(parts.size(), 2u);
    FrameBytes first = Bytes({0xA6, 0x02, 0x01, 0x18});
    for (char c : std::string("00610062006300640065")) {
        first.push_back(static_cast<std::uint8_t>(c));
    }
    EXPECT_EQ(parts[0], first);
    EXPECT_EQ(parts[1], Bytes({0xA6, 0x02, 0x02, 0x08, '0', '0', '6', '6'}));

    const auto chinese = frame::SmsParts(frame::kSmsNumber, QStringLiteral("你好"));
    ASSERT_EQ(chinese.size(), 1u);
    EXPECT_EQ(std::string(chinese[0].begin() + 4, chinese[0].end()), "4f60597d");
    EXPECT_EQ(chinese[0][2], frame::kSmsLastPart);
    EXPECT_TRUE(frame::SmsParts(frame::kSmsContent, "").empty());
    EXPECT_EQ(frame::SmsParts(frame::kSmsContent, "12345").size(), 1u);
}

TEST(DeviceFrame, ReadsPayloadsOnlyWithinTheBytesReceived) {
    const FrameBytes area = Bytes({0xA5, 0x64, 0x07, 0x30, 0x32, 0x30, 0x55});
    auto payload = frame::ReadPayload(area.data(), area.size(), 3);
    ASSERT_TRUE(payload);
    EXPECT_EQ(frame::DigitsText(payload->bytes, payload->count), "020");

    // A length byte of 0, or one past the data, gives nothing.
    const FrameBytes zero = Bytes({0xA5, 0x64, 0x00, 0x31, 0x55});
    EXPECT_FALSE(frame::ReadPayload(zero.data(), zero.size(), 3));
    const FrameBytes past = Bytes({0xA5, 0x64, 0x3F, 0x31, 0x55});
    EXPECT_FALSE(frame::ReadPayload(past.data(), past.size(), 3));
    const FrameBytes callerId =
        Bytes({0xA5, 0x30, 0x0F, 1, 2, 3, 4, 5, 6, 7, 8, '1', '2', '3', 0x55});
    payload = frame::ReadPayload(callerId.data(), callerId.size(), frame::kCallerIdDigitsOffset);
    ASSERT_TRUE(payload);
    EXPECT_EQ(frame::DigitsText(payload->bytes, payload->count), "123");
}

TEST(FrameAssembler, CutsFramesAsTheBoxSendsThem) {
    FrameAssembler assembler;
    const FrameBytes status = Bytes({0xA5, 0x82, 0x05, 0x31, 0x55});
    EXPECT_EQ(Assemble(assembler, status), Frames{status});

    // Split over two reads, and with leading bytes that belong to no frame.
    EXPECT_TRUE(Assemble(assembler, Bytes({0x00, 0x13, 0xA5, 0x82})).empty());
    EXPECT_EQ(Assemble(assembler, Bytes({0x05, 0x31, 0x55})), Frames{status});

    // A 55 inside the payload ends the frame there; the rest waits for the next A5.
    EXPECT_EQ(Assemble(assembler, Bytes({0xA5, 0x91, 0x07, 0x55, 0x32, 0x33, 0x55})),
              Frames{Bytes({0xA5, 0x91, 0x07, 0x55})});
    EXPECT_EQ(assembler.Pending(), 0u);
}

TEST(FrameAssembler, DropsOversizeFrames) {
    FrameAssembler assembler;
    FrameBytes longest{0xA5};
    longest.insert(longest.end(), 61, 0x31);
    longest.push_back(0x55);
    EXPECT_EQ(Assemble(assembler, longest), Frames{longest});
    EXPECT_EQ(longest.size(), 63u);

    FrameBytes oversize{0xA5};
    oversize.insert(oversize.end(), 62, 0x31);
    oversize.push_back(0x55);
    EXPECT_TRUE(Assemble(assembler, oversize).empty());
    const FrameBytes next = Bytes({0xA5, 0x14, 0x04, 0x55});
    EXPECT_EQ(Assemble(assembler, next), Frames{next});
}

// An A5 where the open frame can no longer become valid starts a new frame, so noise after
// a frame start does not swallow the frame that follows it.
TEST(FrameAssembler, AStartThatCannotBecomeAFrameGivesWayToTheNextOne) {
    const FrameBytes call = Bytes(
        {0xA5, 0x30, 0x0F, 0x30, 0x36, 0x31, 0x31, 0x31, 0x32, 0x33, 0x30, 0x31, 0x32, 0x33, 0x55});
    FrameBytes noise{0xA5, 0x30, 0xFF};
    for (int i = 0; i < 40; ++i) {
        noise.push_back(static_cast<std::uint8_t>(0x10 + i));
    }
    for (std::uint8_t badLength : {0x00, 0x03, 0x40, 0xFF}) {
        FrameAssembler assembler;
        noise[2] = badLength;
        EXPECT_TRUE(Assemble(assembler, noise).empty());
        EXPECT_EQ(Assemble(assembler, call), Frames{call}) << int(badLength);
    }

    // The A5 in the length byte's place, and an A5 where the length byte puts the end byte.
    FrameAssembler assembler;
    EXPECT_EQ(Assemble(assembler, Bytes({0xA5, 0x82, 0xA5, 0x82, 0x05, 0x31, 0x55})),
              Frames{Bytes({0xA5, 0x82, 0x05, 0x31, 0x55})});
    EXPECT_EQ(Assemble(assembler, Bytes({0xA5, 0x91, 0x05, 0x31, 0xA5, 0x14, 0x04, 0x55})),
              Frames{Bytes({0xA5, 0x14, 0x04, 0x55})});
    // Past its end byte's place without one, and when 62 bytes are stored.
    FrameBytes overrun{0xA5, 0x91, 0x06};
    overrun.insert(overrun.end(), 59, 0x31);
    EXPECT_TRUE(Assemble(assembler, overrun).empty());
    EXPECT_EQ(assembler.Pending(), 62u);
    EXPECT_EQ(Assemble(assembler, call), Frames{call});

    // Where the frame may still end later, an A5 is payload as before.
    const FrameBytes withA5 = Bytes({0xA5, 0x91, 0x07, 0xA5, 0xA5, 0x31, 0x55});
    EXPECT_EQ(Assemble(assembler, withA5), Frames{withA5});
    const FrameBytes command = Bytes({0xA5, 0xA5, 0x05, 0x31, 0x55});
    EXPECT_EQ(Assemble(assembler, command), Frames{command});
}

// Any split of a stream of valid frames across reads yields the same frames, and bytes
// between frames (which cannot start one) cost nothing but themselves.
TEST(FrameAssembler, AnySplittingAndGarbageBetweenFramesYieldTheSameFrames) {
    std::mt19937 random(7);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 500; ++round) {
        Frames sent;
        FrameBytes stream;
        for (int f = pick(1, 12); f > 0; --f) {
            for (int g = pick(0, 6); g > 0; --g) {
                int byte;
                do {
                    byte = pick(0, 255);
                } while (byte == 0xA5);
                stream.push_back(static_cast<std::uint8_t>(byte));
            }
            // A payload the box could send: no end byte inside it.
            FrameBytes one{0xA5, static_cast<std::uint8_t>(pick(0, 255))};
            const int payload = pick(0, 30);
            one.push_back(static_cast<std::uint8_t>(payload + 4));
            for (int k = 0; k < payload; ++k) {
                int byte;
                do {
                    byte = pick(0, 255);
                } while (byte == 0x55);
                one.push_back(static_cast<std::uint8_t>(byte));
            }
            if (one[1] == 0x55) {
                one[1] = 0x54;
            }
            if (one[2] == 0x55) {
                one[2] = 0x54;
            }
            one.push_back(0x55);
            sent.push_back(one);
            stream.insert(stream.end(), one.begin(), one.end());
        }
        FrameAssembler assembler;
        Frames received;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min<std::size_t>(pick(1, 62), stream.size() - at);
            for (FrameBytes& f :
                 Assemble(assembler, FrameBytes(stream.begin() + at, stream.begin() + at + n))) {
                received.push_back(std::move(f));
            }
            at += n;
        }
        ASSERT_EQ(received, sent) << "round " << round;
    }
}

TEST(RecordingChunkScanner, SeparatesSamplesFromFrames) {
    RecordingChunkScanner scanner;
    auto out = Scan(scanner, Bytes({0xA7, 0x80, 0x81, 0x55}));
    EXPECT_TRUE(out.frames.empty());
    EXPECT_EQ(out.samples, Bytes({0x80, 0x81}));

    out = Scan(scanner, Bytes({0xA7, 0x10, 0xA5, 0xA1, 0x04, 0x55, 0x20, 0x55}));
    EXPECT_EQ(out.frames, Frames{Bytes({0xA5, 0xA1, 0x04, 0x55})});
    EXPECT_EQ(out.samples, Bytes({0x10, 0x20}));

    out = Scan(scanner, Bytes({0xA7, 0x55, 0xA7, 0x55}));
    EXPECT_TRUE(out.samples.empty());

    // An A5 whose length byte makes no frame is a sample, even a length of 0.
    out = Scan(scanner, Bytes({0xA5, 0x00, 0x00, 0x55, 0x30}));
    EXPECT_TRUE(out.frames.empty());
    EXPECT_EQ(out.samples, Bytes({0xA5, 0x00, 0x00, 0x30}));
}

TEST(RecordingChunkScanner, KeepsAFrameCutByTheChunkEnd) {
    RecordingChunkScanner scanner;
    auto out = Scan(scanner, Bytes({0x70, 0x71, 0xA5, 0xA1}));
    EXPECT_TRUE(out.frames.empty());
    EXPECT_EQ(out.samples, Bytes({0x70, 0x71}));
    out = Scan(scanner, Bytes({0x04, 0x55, 0x72}));
    EXPECT_EQ(out.frames, Frames{Bytes({0xA5, 0xA1, 0x04, 0x55})});
    EXPECT_EQ(out.samples, Bytes({0x72}));

    // A kept A5 that turns out to start no frame is a sample after all, in order.
    out = Scan(scanner, Bytes({0x73, 0xA5, 0x10, 0x06}));
    EXPECT_EQ(out.samples, Bytes({0x73}));
    out = Scan(scanner, Bytes({0x74, 0x75, 0x76}));
    EXPECT_EQ(out.samples, Bytes({0xA5, 0x10, 0x06, 0x74, 0x75, 0x76}));

    // What is kept when recording ends goes back to normal assembly.
    Scan(scanner, Bytes({0x77, 0xA5, 0x14}));
    FrameAssembler assembler;
    Frames frames;
    scanner.Flush([&](const std::uint8_t* bytes, std::size_t n) {
        for (FrameBytes& f : Assemble(assembler, FrameBytes(bytes, bytes + n))) {
            frames.push_back(f);
        }
    });
    for (FrameBytes& f : Assemble(assembler, Bytes({0x04, 0x55}))) {
        frames.push_back(f);
    }
    EXPECT_EQ(frames, Frames{Bytes({0xA5, 0x14, 0x04, 0x55})});
}
