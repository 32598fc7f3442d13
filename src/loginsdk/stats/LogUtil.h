#pragma once
// The account kit's usage statistics: timed records per event slot, one text
// line per closed record, a pending list on disk, and a batch uploaded
// gzip-compressed and Base64-encoded in a GET to the account service.
#include "platform/core/Timer.h"
#include "platform/core/Value.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pw {

class ZELHttpRequest;

struct DataCollectionRecord {
    uint32_t eventCode = 0;
    uint32_t actionId = 0;
    int32_t statusCode = 0;
    double startDate = 0; // seconds since 1970
    double endDate = 0;
    std::string timeCost, smsHost, guid, ptguid, sessionId, tarvId;

    // The 22-field line, each field followed by "|"; making it sets the
    // kit's current event sign code.
    std::string line(double callTime) const;
    // Fields 1 to 19, each as its label, a colon and the value, joined by
    // "|"; the application id is the user defaults' "appId". Nothing sends it.
    std::string description() const;

private:
    std::vector<std::string> fields(double callTime, const std::string& appId) const;
};

class ZelHeader {
public:
    // The device facts sent with every batch.
    std::string buildHeader() const;
    static std::string setupContent(double now);
    static std::string buildContent(const std::string& line, const std::string& event, double now);
    static std::string localWifiIPAddress();
    // Refreshes the location every 60 s on the main loop, and once now.
    void initLocation();
    void updateLocation();
    ~ZelHeader();

private:
    std::atomic<double> m_latitude{0};
    std::atomic<double> m_longitude{0};
    std::shared_ptr<core::Timer> m_locationTimer;
};

class LogUtil {
public:
    static LogUtil& sharedInstance();
    static void resetShared();

    void initHeader();
    void startCollectWithEventId(int slot);
    // Copies "statusCode", "actionId" and "eventSign" into the slot's record.
    void setCollectAttr(const core::Value& attrs, int slot);
    // Sets one property of the slot's record by its name ("eventCode",
    // "actionId", "statusCode", "timeCost", "smsHost", "guid", "ptguid",
    // "sessionId", "tarvId"); false when the slot is empty or the name unknown.
    bool setValue(const core::Value& value, const std::string& key, int slot);
    // Changes the open record of a slot; false when the slot is empty.
    template <typename F>
    bool withRecord(int slot, F&& change) {
        std::lock_guard lock(m_mutex);
        auto it = m_records.find(slot);
        if (it == m_records.end())
            return false;
        change(it->second);
        return true;
    }
    void endCollectionWithEventId(int slot);
    static std::string buildLogContent(int code, double start, double end);
    void log(const std::string& line, int event = 0);
    void flush();
    void checkLogInterval();
    void outPutContent(const std::string& batch);
    // Percent-escapes everything but letters, digits and "-._~".
    static std::string urlEncodeValue(const std::string& text);
    // gzip (windowBits 31); empty for empty input or a compressor failure.
    static std::string gzip(const std::string& text);

    // For inspection.
    std::vector<std::string> pendingLines() const;
    std::string currentBatch() const;
    bool isUploading() const;

private:
    LogUtil() = default;
    void logLocked(const std::string& line);
    void savePendingLocked() const;
    void uploadFinished(bool ok);

    mutable std::mutex m_mutex;
    std::unique_ptr<ZelHeader> m_header;
    std::string m_lastHeader;
    std::string m_setupItem;
    std::map<int, DataCollectionRecord> m_records;
    std::optional<std::vector<std::string>> m_cmdList;
    double m_lastLogDate = 0;
    std::string m_currentOut;
    bool m_isOutPuting = false;
    std::shared_ptr<ZELHttpRequest> m_request;
    size_t m_sentLines = 0;
};

} // namespace pw
