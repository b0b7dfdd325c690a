#pragma once
// One QApplication for a whole test program, on the offscreen platform
// unless another one is asked for. Include this header in exactly one
// source file of the test program. The application is destroyed after the
// last test, not among the static objects at exit, when the platform is gone.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include <functional>

#include <memory>

namespace tamboro::test {

class QtApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "tamboro_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] inline testing::Environment* const qtApplicationEnvironment =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Polls every 5 ms until a modal window is up, then runs `act` on it. Each
// timer holds the action; none holds itself, so nothing is left behind.
template <class Act>
void pollForModal(std::shared_ptr<Act> act, int delayMs) {
    QTimer::singleShot(delayMs, [act] {
        if (QWidget* modal = QApplication::activeModalWidget())
            (*act)(modal);
        else
            pollForModal(act, 5);
    });
}

// Runs `act` on the modal window that opens next (a dialog or a message
// box), once the event loop shows it.
template <class Act>
void whenModalOpens(Act act) {
    pollForModal(std::make_shared<Act>(std::move(act)), 0);
}

}  // namespace tamboro::test
