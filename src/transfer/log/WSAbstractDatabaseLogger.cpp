#include "transfer/log/WSAbstractDatabaseLogger.h"

namespace pw {

using std::chrono::nanoseconds;

namespace {
nanoseconds seconds(double s) {
    return nanoseconds(static_cast<long long>(s * 1e9));
}
} // namespace

WSAbstractDatabaseLogger::~WSAbstractDatabaseLogger() {
    destroySaveTimer();
    destroyDeleteTimer();
}

unsigned WSAbstractDatabaseLogger::saveThreshold() const {
    return onLoggerQueue([this] { return m_saveThreshold; });
}
double WSAbstractDatabaseLogger::saveInterval() const {
    return onLoggerQueue([this] { return m_saveInterval; });
}
double WSAbstractDatabaseLogger::maxAge() const {
    return onLoggerQueue([this] { return m_maxAge; });
}
double WSAbstractDatabaseLogger::deleteInterval() const {
    return onLoggerQueue([this] { return m_deleteInterval; });
}
bool WSAbstractDatabaseLogger::deleteOnEverySave() const {
    return onLoggerQueue([this] { return m_deleteOnEverySave; });
}

void WSAbstractDatabaseLogger::setSaveThreshold(unsigned n) {
    onLoggerQueue([&] {
        if (m_saveThreshold == n)
            return;
        m_saveThreshold = n;
        if (m_unsavedCount >= m_saveThreshold && m_saveThreshold > 0)
            performSaveAndSuspendSaveTimer();
    });
}

void WSAbstractDatabaseLogger::setSaveInterval(double s) {
    onLoggerQueue([&] {
        if (m_saveInterval == s)
            return;
        m_saveInterval = s;
        if (m_saveInterval > 0) {
            if (!m_saveTimer)
                createSuspendedSaveTimer();
            updateAndResumeSaveTimer();
        } else {
            destroySaveTimer();
        }
    });
}

void WSAbstractDatabaseLogger::setMaxAge(double s) {
    onLoggerQueue([&] {
        double old = m_maxAge;
        if (old == s)
            return;
        m_maxAge = s;
        bool wasOn = old > 0, isOn = s > 0;
        if (wasOn && !isOn) {
            destroyDeleteTimer();
        } else if (isOn && (!wasOn || s < old)) {
            performDelete();
            if (m_deleteTimer)
                updateDeleteTimer();
            else
                createAndStartDeleteTimer();
        }
    });
}

void WSAbstractDatabaseLogger::setDeleteInterval(double s) {
    onLoggerQueue([&] {
        if (m_deleteInterval == s)
            return;
        m_deleteInterval = s;
        if (m_deleteInterval > 0) {
            if (m_deleteTimer)
                updateDeleteTimer();
            else
                createAndStartDeleteTimer();
        } else {
            destroyDeleteTimer();
        }
    });
}

void WSAbstractDatabaseLogger::setDeleteOnEverySave(bool on) {
    onLoggerQueue([&] { m_deleteOnEverySave = on; });
}

void WSAbstractDatabaseLogger::savePendingLogEntries() {
    onLoggerQueue([this] { performSaveAndSuspendSaveTimer(); });
}

void WSAbstractDatabaseLogger::deleteOldLogEntries() {
    onLoggerQueue([this] { performDelete(); });
}

void WSAbstractDatabaseLogger::logMessage(const WSLogMessage& message) {
    if (!db_log(message))
        return;
    ++m_unsavedCount;
    if (m_saveThreshold > 0 && m_unsavedCount >= m_saveThreshold) {
        performSaveAndSuspendSaveTimer();
    } else if (m_unsavedCount == 1) {
        m_unsavedTime = now();
        updateAndResumeSaveTimer();
    }
}

void WSAbstractDatabaseLogger::flush() {
    performSaveAndSuspendSaveTimer();
}

void WSAbstractDatabaseLogger::didAddLogger() {
    createSuspendedSaveTimer();
    createAndStartDeleteTimer();
}

void WSAbstractDatabaseLogger::willRemoveLogger() {
    performSaveAndSuspendSaveTimer();
    destroySaveTimer();
    destroyDeleteTimer();
}

void WSAbstractDatabaseLogger::performSaveAndSuspendSaveTimer() {
    if (m_unsavedCount > 0) {
        if (m_deleteOnEverySave)
            db_saveAndDelete();
        else
            db_save();
    }
    m_unsavedCount = 0;
    m_unsavedTime = nanoseconds(0);
    if (m_saveTimer && !m_saveTimerSuspended) {
        m_saveTimer->suspend();
        m_saveTimerSuspended = true;
    }
}

void WSAbstractDatabaseLogger::performDelete() {
    if (m_maxAge > 0) {
        db_delete();
        m_lastDeleteTime = now();
    }
}

void WSAbstractDatabaseLogger::createSuspendedSaveTimer() {
    if (m_saveTimer || m_saveInterval <= 0)
        return;
    m_saveTimer = core::DispatchSource::makeTimer(loggerQueue());
    std::weak_ptr<WSAbstractDatabaseLogger> weak = weak_from_this();
    m_saveTimer->setEventHandler([weak] {
        if (auto self = weak.lock())
            self->performSaveAndSuspendSaveTimer();
    });
    m_saveTimerSuspended = true; // sources start suspended
}

void WSAbstractDatabaseLogger::updateAndResumeSaveTimer() {
    if (!m_saveTimer || m_saveInterval <= 0 || m_unsavedTime.count() == 0)
        return;
    auto first = m_unsavedTime + seconds(m_saveInterval) - now();
    m_saveTimer->setTimer(first, seconds(m_saveInterval));
    if (m_saveTimerSuspended) {
        m_saveTimer->resume();
        m_saveTimerSuspended = false;
    }
}

void WSAbstractDatabaseLogger::createAndStartDeleteTimer() {
    if (m_deleteTimer || m_deleteInterval <= 0 || m_maxAge <= 0)
        return;
    m_deleteTimer = core::DispatchSource::makeTimer(loggerQueue());
    std::weak_ptr<WSAbstractDatabaseLogger> weak = weak_from_this();
    m_deleteTimer->setEventHandler([weak] {
        if (auto self = weak.lock())
            self->performDelete();
    });
    updateDeleteTimer();
    m_deleteTimer->resume();
}

void WSAbstractDatabaseLogger::updateDeleteTimer() {
    if (!m_deleteTimer || m_deleteInterval <= 0 || m_maxAge <= 0)
        return;
    auto first =
        m_lastDeleteTime.count() > 0 ? m_lastDeleteTime + seconds(m_deleteInterval) - now() : seconds(m_deleteInterval);
    m_deleteTimer->setTimer(first, seconds(m_deleteInterval));
}

void WSAbstractDatabaseLogger::destroySaveTimer() {
    if (!m_saveTimer)
        return;
    m_saveTimer->cancel();
    m_saveTimer.reset();
    m_saveTimerSuspended = true;
}

void WSAbstractDatabaseLogger::destroyDeleteTimer() {
    if (!m_deleteTimer)
        return;
    m_deleteTimer->cancel();
    m_deleteTimer.reset();
}

} // namespace pw
