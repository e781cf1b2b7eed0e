#include "workers/pause_gate.h"

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(PauseGateTest, HaltingTwiceIsOneHalt) {
    PauseGate gate;
    gate.Close();
    gate.Close();
    EXPECT_TRUE(gate.IsClosed());
    gate.Open();
    EXPECT_FALSE(gate.IsClosed());
    EXPECT_TRUE(gate.Pass());  // would block for good if the halts were counted
}

TEST(PauseGateTest, AParkedWorkerGoesOnWhenOpenedAndEndsWhenEnded) {
    PauseGate gate;
    auto passAtClosedGate = [&](const std::function<void()>& release) {
        gate.Close();
        bool passed = false;
        std::thread worker([&] { passed = gate.Pass(); });
        EXPECT_TRUE(gate.WaitUntilParked(20s));
        release();
        worker.join();
        return passed;
    };
    EXPECT_TRUE(passAtClosedGate([&] { gate.Open(); }));
    EXPECT_FALSE(passAtClosedGate([&] { gate.End(); }));
    gate.Close();  // an ending worker is no longer held
    EXPECT_FALSE(gate.IsClosed());
    EXPECT_FALSE(gate.Pass());
}

}  // namespace
