#include "viewer/coin_sensor_driver.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoDB.h>
#include <Inventor/sensors/SoSensorManager.h>

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace vexalith::viewer {
namespace {

QPointer<CoinSensorDriver>& installed()
{
    static QPointer<CoinSensorDriver> driver;
    return driver;
}

}  // namespace

void CoinSensorDriver::ensure()
{
    if (installed() || QCoreApplication::instance() == nullptr)
        return;
    installed() = new CoinSensorDriver(QCoreApplication::instance());
}

CoinSensorDriver::CoinSensorDriver(QObject* parent) : QObject(parent)
{
    timer_queue_.setSingleShot(true);
    delay_queue_.setSingleShot(true);
    connect(&timer_queue_, &QTimer::timeout, this, &CoinSensorDriver::run_timers);
    connect(&delay_queue_, &QTimer::timeout, this, &CoinSensorDriver::run_delayed);
    SoDB::getSensorManager()->setChangedCallback(queue_changed, this);
    reschedule();
}

CoinSensorDriver::~CoinSensorDriver() { SoDB::getSensorManager()->setChangedCallback(nullptr, nullptr); }

// Coin may call this from a loading thread: the work is passed to the GUI
// thread.
void CoinSensorDriver::queue_changed(void* data)
{
    auto* driver = static_cast<CoinSensorDriver*>(data);
    QMetaObject::invokeMethod(driver, &CoinSensorDriver::reschedule, Qt::QueuedConnection);
}

void CoinSensorDriver::reschedule()
{
    SoSensorManager* manager = SoDB::getSensorManager();
    SbTime due;
    if (manager->isTimerSensorPending(due)) {
        const double wait_ms = (due - SbTime::getTimeOfDay()).getValue() * 1000.0;
        timer_queue_.start(static_cast<int>(std::clamp(std::ceil(wait_ms), 0.0, 1e9)));
    } else {
        timer_queue_.stop();
    }
    if (manager->isDelaySensorPending()) {
        if (!delay_queue_.isActive())
            delay_queue_.start(0);
    } else {
        delay_queue_.stop();
    }
}

void CoinSensorDriver::run_timers()
{
    SoDB::getSensorManager()->processTimerQueue();
    reschedule();
}

void CoinSensorDriver::run_delayed()
{
    SoSensorManager* manager = SoDB::getSensorManager();
    manager->processTimerQueue();
    manager->processDelayQueue(TRUE);
    reschedule();
}

}  // namespace vexalith::viewer
