#include "viewer/coin_sensor_driver.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoDB.h>
#include <Inventor/sensors/SoSensorManager.h>

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "viewer/scene_loader.h"

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
    // A parse schedules sensors by the thousand: one posted call at a time.
    if (!driver->reschedule_posted_.exchange(true))
        QMetaObject::invokeMethod(driver, &CoinSensorDriver::reschedule, Qt::QueuedConnection);
}

void CoinSensorDriver::reschedule()
{
    reschedule_posted_ = false;
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

// While a scene is being built on the loading thread, its nodes' sensors
// wait: the queue is run again a little later.
constexpr int kBusyRetryMs = 20;

void CoinSensorDriver::run_timers()
{
    std::unique_lock building(scene_building_mutex(), std::try_to_lock);
    if (!building.owns_lock()) {
        timer_queue_.start(kBusyRetryMs);
        return;
    }
    SoDB::getSensorManager()->processTimerQueue();
    building.unlock();
    reschedule();
}

void CoinSensorDriver::run_delayed()
{
    std::unique_lock building(scene_building_mutex(), std::try_to_lock);
    if (!building.owns_lock()) {
        delay_queue_.start(kBusyRetryMs);
        return;
    }
    SoSensorManager* manager = SoDB::getSensorManager();
    manager->processTimerQueue();
    manager->processDelayQueue(TRUE);
    building.unlock();
    reschedule();
}

}  // namespace vexalith::viewer
