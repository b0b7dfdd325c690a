// The output device list over several audio systems: the default output is
// the first system's own default, the others follow in system order, and a
// device opens on its own system; MIDI clock goes out through the device's
// own stream where it can, else through the MIDI clock port.

#include <gtest/gtest.h>

#include "engine/clock_out.h"
#include "engine/loop_buffer.h"
#include "platform/system_output.h"

namespace tamboro {
namespace {

struct FakeSystem : OutputBackend {
    FakeSystem(std::vector<std::string> devices, size_t defaultDevice, std::string what)
        : names(std::move(devices)), defaultIndex(defaultDevice), foundText(std::move(what)) {}

    std::vector<std::string> names;
    size_t defaultIndex = 0;
    std::string foundText;
    int opened = -1;
    bool closed = false;

    std::vector<std::string> listDevices(size_t& defaultDevice) override {
        defaultDevice = defaultIndex;
        return names;
    }
    std::string found() const override { return foundText; }
    bool open(size_t device, LoopBuffer&, std::string&) override {
        opened = static_cast<int>(device);
        closed = false;
        return true;
    }
    bool start(std::string&) override { return true; }
    void close() override { closed = opened >= 0; }
    bool streamAlive() override { return opened >= 0 && !closed; }
    uint32_t periodFrames() const override { return 256; }
    unsigned streamRate() const override { return 44100 + static_cast<unsigned>(opened); }
    unsigned streamPeriod() const override { return 256; }

    bool sendsClock = false;   // as JACK's client does
    ClockOutput* clock = nullptr;
    bool attachClockOutput(ClockOutput* output) override {
        if (!sendsClock)
            return false;
        clock = output;
        return true;
    }
    int clockOutputListeners() override { return sendsClock && clock ? 2 : -1; }
};

struct FakeClockPort : ClockPort {
    bool opens = true;
    ClockOutput* attached = nullptr;
    LoopBuffer* loop = nullptr;
    int detached = 0;
    bool attach(ClockOutput& output, LoopBuffer& playing) override {
        if (!opens)
            return false;
        attached = &output;
        loop = &playing;
        return true;
    }
    void detach() override {
        attached = nullptr;
        ++detached;
    }
    int listeners() override { return attached ? 0 : -1; }
    std::string name() const override { return "Tamboro MIDI:Tamboro MIDI Out"; }
};

TEST(SystemOutput, TheDefaultIsTheFirstSystemsOwnDefaultThenEverySystemInOrder) {
    FakeSystem jack{{}, 0, "no JACK server"};
    FakeSystem other{{"ALSA: a", "ALSA: b", "ALSA: c"}, 2, "3 ALSA output devices"};
    SystemOutput output({&jack, &other});
    ASSERT_EQ(output.deviceCount(), 4);
    EXPECT_EQ(output.deviceName(0), "Default output (ALSA: c)");
    EXPECT_EQ(output.deviceName(1), "ALSA: a");
    EXPECT_EQ(output.deviceName(3), "ALSA: c");
    EXPECT_EQ(output.systemsFound(), "no JACK server, 3 ALSA output devices");

    jack.names = {"JACK: Tamboro (2 outputs)"};
    jack.foundText = "JACK server running";
    ASSERT_EQ(output.deviceCount(), 5);
    EXPECT_EQ(output.deviceName(0), "Default output (JACK: Tamboro (2 outputs))");
    EXPECT_EQ(output.deviceName(2), "ALSA: a");

    other.names.clear();
    jack.names.clear();
    EXPECT_EQ(output.deviceCount(), 0);   // not even a default
}

TEST(SystemOutput, ADeviceOpensOnItsOwnSystemAndTheOtherIsClosedFirst) {
    FakeSystem jack{{"JACK: Tamboro (2 outputs)"}, 0, "JACK server running"};
    FakeSystem other{{"ALSA: a", "ALSA: b"}, 1, "2 ALSA output devices"};
    SystemOutput output({&jack, &other});
    LoopBuffer loop;
    std::string error;
    ASSERT_EQ(output.deviceCount(), 4);
    ASSERT_TRUE(output.open(3, loop, error));
    EXPECT_EQ(other.opened, 1);
    EXPECT_EQ(output.streamRate(), 44101u);
    ASSERT_TRUE(output.open(0, loop, error));   // the default: JACK's device
    EXPECT_TRUE(other.closed);
    EXPECT_EQ(jack.opened, 0);
    EXPECT_TRUE(output.streamAlive());
    EXPECT_FALSE(output.open(4, loop, error));
    EXPECT_EQ(error, "This output device is not available any more.");
    EXPECT_TRUE(jack.closed);
    EXPECT_FALSE(output.streamAlive());
}

TEST(SystemOutput, ClockGoesThroughTheStreamWhereItCanElseThroughThePort) {
    FakeSystem jack{{"JACK: Tamboro (2 outputs)"}, 0, "JACK server running"};
    FakeSystem pulse{{"PulseAudio: a"}, 0, "PulseAudio server running"};
    jack.sendsClock = true;
    FakeClockPort port;
    SystemOutput output({&jack, &pulse}, &port);
    LoopBuffer loop;
    ClockOutput clock(0);
    std::string error;
    ASSERT_EQ(output.deviceCount(), 3);

    ASSERT_TRUE(output.open(1, loop, error));
    ASSERT_TRUE(output.attachClockOutput(&clock));
    EXPECT_EQ(jack.clock, &clock);
    EXPECT_EQ(port.attached, nullptr);
    EXPECT_EQ(output.clockOutputListeners(), 2);
    EXPECT_EQ(output.clockOutputName(), "Tamboro:MIDI Out");

    ASSERT_TRUE(output.open(2, loop, error));
    EXPECT_EQ(output.clockOutputListeners(), -1) << "nothing attached on the new stream yet";
    ASSERT_TRUE(output.attachClockOutput(&clock));
    EXPECT_EQ(port.attached, &clock);
    EXPECT_EQ(port.loop, &loop);
    EXPECT_EQ(output.clockOutputListeners(), 0);
    EXPECT_EQ(output.clockOutputName(), "Tamboro MIDI:Tamboro MIDI Out");
    const int before = port.detached;
    output.attachClockOutput(nullptr);   // Send MIDI Clock turned off
    EXPECT_EQ(port.attached, nullptr);
    EXPECT_GT(port.detached, before);
    EXPECT_EQ(output.clockOutputListeners(), -1);

    ASSERT_TRUE(output.attachClockOutput(&clock));
    output.close();   // the port's Stop goes before the stream closes
    EXPECT_EQ(port.attached, nullptr);
    EXPECT_FALSE(output.attachClockOutput(&clock)) << "nothing open";

    port.opens = false;
    ASSERT_TRUE(output.open(2, loop, error));
    EXPECT_FALSE(output.attachClockOutput(&clock)) << "no MIDI output at all";
    EXPECT_EQ(output.clockOutputListeners(), -1);
}

}  // namespace
}  // namespace tamboro
