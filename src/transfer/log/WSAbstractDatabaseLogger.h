#pragma once
// Base of loggers that batch entries into a store: entries are saved when
// `saveThreshold` of them are pending or `saveInterval` seconds after the
// first pending one, and entries older than `maxAge` are deleted every
// `deleteInterval` seconds. Subclasses provide the db_ hooks; the timers run
// on the logger's queue.
#include "platform/core/DispatchSource.h"
#include "transfer/log/WSAbstractLogger.h"

namespace pw {

class WSAbstractDatabaseLogger : public WSAbstractLogger,
                                 public std::enable_shared_from_this<WSAbstractDatabaseLogger> {
public:
    ~WSAbstractDatabaseLogger() override;

    unsigned saveThreshold() const;
    void setSaveThreshold(unsigned n);
    double saveInterval() const;
    void setSaveInterval(double seconds);
    double maxAge() const;
    void setMaxAge(double seconds);
    double deleteInterval() const;
    void setDeleteInterval(double seconds);
    bool deleteOnEverySave() const;
    void setDeleteOnEverySave(bool on);

    void savePendingLogEntries();
    void deleteOldLogEntries();

    void logMessage(const WSLogMessage& message) override;
    void flush() override;
    void didAddLogger() override;
    void willRemoveLogger() override;

protected:
    // True when the entry joined the pending batch.
    virtual bool db_log(const WSLogMessage&) { return false; }
    virtual void db_save() {}
    virtual void db_delete() {}
    virtual void db_saveAndDelete() {
        db_save();
        db_delete();
    }

private:
    void performSaveAndSuspendSaveTimer();
    void performDelete();
    void createSuspendedSaveTimer();
    void updateAndResumeSaveTimer();
    void createAndStartDeleteTimer();
    void updateDeleteTimer();
    void destroySaveTimer();
    void destroyDeleteTimer();
    static std::chrono::nanoseconds now() { return core::DispatchSource::now(); }

    unsigned m_saveThreshold = 500;
    double m_saveInterval = 60;
    double m_maxAge = 60 * 60 * 24 * 7;
    double m_deleteInterval = 60 * 5;
    bool m_deleteOnEverySave = false;
    bool m_saveTimerSuspended = true;
    unsigned m_unsavedCount = 0;
    std::chrono::nanoseconds m_unsavedTime{0};
    std::shared_ptr<core::DispatchSource> m_saveTimer;
    std::chrono::nanoseconds m_lastDeleteTime{0};
    std::shared_ptr<core::DispatchSource> m_deleteTimer;
};

} // namespace pw
