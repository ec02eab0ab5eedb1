// Coin's sensor queues (delayed redraws, automatic clipping planes, timers
// of animated scenes) run only when someone processes them: here Qt's
// event loop does, through timers.  One driver for the process, made by
// the first viewer, owned by the application object.
#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>

namespace vexalith::viewer {

class CoinSensorDriver : public QObject {
    Q_OBJECT

public:
    // Installs the driver if there is none yet.  Needs a QCoreApplication.
    static void ensure();

    ~CoinSensorDriver() override;

private:
    explicit CoinSensorDriver(QObject* parent);
    static void queue_changed(void* data);
    void reschedule();
    void run_timers();
    void run_delayed();

    QTimer timer_queue_;
    QTimer delay_queue_;
    std::atomic<bool> reschedule_posted_{false};
};

}  // namespace vexalith::viewer
