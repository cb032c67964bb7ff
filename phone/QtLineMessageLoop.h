#pragma once

#include "phone/LineMessageLoop.h"

#include <QObject>

#include <memory>

class QEventLoop;

namespace kivrano {

// The Qt event loop of the thread that creates it (the user-interface thread).
class QtLineMessageLoop : public LineMessageLoop {
public:
    QtLineMessageLoop();
    ~QtLineMessageLoop() override;

    void post(std::function<void()> task) override;
    void waitForEvents(std::chrono::milliseconds timeout) override;
    Clock::time_point now() const override { return Clock::now(); }

private:
    // Receives the posted tasks on the thread that created the loop.
    std::unique_ptr<QObject> m_context;
    QEventLoop* m_waiting = nullptr;  // the innermost wait, ended by the next posted task
};

}  // namespace kivrano
