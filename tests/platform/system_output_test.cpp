// The output device list over several audio systems: the default output is
// the first system's own default, the others follow in system order, and a
// device opens on its own system.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tamboro
